// The result, link and operation codes live with the links.
#pragma once

#include "link/link_codes.h"
