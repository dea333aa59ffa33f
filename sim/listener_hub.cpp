#include "sim/listener_hub.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

namespace varnalux::sim {

namespace {
// The hub looks at its stop flag at least this often.
constexpr int HubPollMs = 1000;
}  // namespace

ListenerHub::~ListenerHub() { Stop(); }

bool ListenerHub::Start() {
  if (thread_.joinable() || !wake_.Open()) return thread_.joinable();
  stopping_ = false;
  wake_.Clear();
  thread_ = std::thread([this] { Run(); });
  return true;
}

void ListenerHub::Stop() {
  if (!thread_.joinable()) return;
  stopping_ = true;
  wake_.Wake();
  thread_.join();
}

void ListenerHub::Add(Client* client) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    entries_.push_back(Entry{client, true});
  }
  wake_.Wake();
}

void ListenerHub::Remove(Client* client) {
  std::lock_guard<std::mutex> lock(mu_);
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                [client](const Entry& e) { return e.client == client; }),
                 entries_.end());
}

void ListenerHub::Resume(Client* client) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    for (Entry& e : entries_)
      if (e.client == client) e.watched = true;
  }
  wake_.Wake();
}

void ListenerHub::Run() {
  std::vector<pollfd> fds;
  std::vector<Client*> clients;
  std::vector<Client*> ready;
  while (!stopping_) {
    fds.assign(1, pollfd{wake_.ReadEnd(), POLLIN, 0});
    clients.assign(1, nullptr);
    {
      std::lock_guard<std::mutex> lock(mu_);
      for (const Entry& e : entries_)
        if (e.watched) {
          fds.push_back(pollfd{e.client->ListenFd(), POLLIN, 0});
          clients.push_back(e.client);
        }
    }
    int r = poll(fds.data(), fds.size(), HubPollMs);
    if (r < 0 && errno != EINTR) break;
    if ((fds[0].revents & POLLIN) != 0) wake_.Clear();
    ready.clear();
    for (size_t i = 1; i < fds.size(); ++i)
      if ((fds[i].revents & POLLIN) != 0) ready.push_back(clients[i]);
    if (!ready.empty() && !stopping_) Dispatch(ready);
  }
}

void ListenerHub::Dispatch(const std::vector<Client*>& ready) {
  std::lock_guard<std::mutex> lock(mu_);
  for (Client* client : ready)
    for (Entry& e : entries_)
      if (e.client == client && e.watched) e.watched = !client->ConnectionWaiting();
}

}  // namespace varnalux::sim
