// The one door between printer operations and the four physical links.
// Every operation opens a link, writes, reads byte by byte and closes it.
#pragma once

#include <cstdint>

#include "link/link_codes.h"
#include "link/open_failure.h"

namespace varnalux {

// For USB, COM and LPT an operating system handle; for TCP the constant 1.
using LinkHandle = intptr_t;
inline constexpr LinkHandle InvalidLink = -1;

// Chunk sizes of WriteLink.
inline constexpr uint32_t UsbSerialChunk = 64;
inline constexpr uint32_t TcpChunk = 1024;

// InvalidLink when the open failed; LastOpenFailure() then says why.
LinkHandle OpenLink(InterfaceKind kind);
// Why the latest OpenLink failed (None after one that succeeded).
OpenFailure LastOpenFailure();
// The same as a sentence for the line below "Port Open Error"; empty when
// the latest open succeeded.
const char* LastOpenFailureText();
// False when bytes written during the open did not leave the computer
// before the link's closing bound (they may be lost). Drain waits for them
// while the link's progress allows, handling the window's messages; Abort
// (after a failed write) drops them at once.
bool CloseLink(InterfaceKind kind, LinkHandle handle, CloseMode mode = CloseMode::Drain);
// True when every byte was accepted by the link. Ticks the progress window
// (kind 0 once, kind 1 after each chunk) and lets the user interface process
// its pending messages between chunks.
bool WriteLink(LinkHandle handle, InterfaceKind kind, const void* buffer, uint32_t length);
// True when one byte was delivered; false after the link's read time-out.
bool ReadLinkByte(LinkHandle handle, InterfaceKind kind, uint8_t& out);

}  // namespace varnalux
