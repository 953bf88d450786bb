// Helpers shared by the files of the socket layer (not for its users): the
// numbers of the messages a socket posts to itself, and small address helpers.
#pragma once

#include "WSocket.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace verdane {

enum TSocketMessage : int {
    kSocketEvent = 1,
    kLookupDone = 2,
    kReverseLookupDone = 3,
    kCloseNow = 4,
    kDestroy = 5,
    kTestException = 6,
    kHostLookupDone = 7,        // the address of Connect's host
    kSocksTargetLookupDone = 8, // the address a SOCKS 4 request names
    kListenLookupDone = 9,      // the address of Listen's host
    kLineModeDeliver = 20,
};

// One name lookup: its name, and the window its answer goes to. Cancelling (or
// destroying the socket) clears `target` under the lock, so a late answer is
// dropped and never touches a dead window.
struct TLookupJob {
    std::mutex mutex;
    THiddenWindow* target = nullptr;
    int msg = kLookupDone;
    int handle = 0;
    std::uint64_t serial = 0;
    std::string name;
    bool reverse = false;
    std::vector<std::string> results;
    bool counted = false;  // holds one of the places of running lookups (the pool's lock)
};

// Runs the lookup on a thread of its own, at most a few at once (the others
// queued); the answer is posted to the job's target. Throws std::system_error
// when no thread can be made.
void SubmitLookup(std::shared_ptr<TLookupJob> job);
// Drops the job's answer and gives its place back at once: the next queued
// lookup starts, while the cancelled one's thread ends by itself.
void CancelLookup(const std::shared_ptr<TLookupJob>& job);

std::string Trim(const std::string& s);
// The dotted form of a network-order IPv4 address.
std::string Dotted(std::uint32_t networkOrder);
// A dotted quad as the resolver accepts it: optional blanks around, exactly four
// numbers of at most 255, no leading dot.
bool IsDottedQuad(const std::string& name);
// The WinSock error number of the last failed system call.
int LastSystemError();

}  // namespace verdane
