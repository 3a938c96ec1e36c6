// The blocking link operations every exchange with the module goes through. Each frames
// the packet for the kind of ActiveLink, waits for the answer and reports only true/false.
#pragma once

#include <cstdint>

namespace karvelm {

// The process-wide packet counter; wraps modulo 2^32 and survives link changes.
extern uint32_t SequenceNumber;

// How many times ReadData re-sends a command that could not be written before it gives up.
constexpr int kReadDataCommandAttempts = 3;
// Attempts of CheckModule.
constexpr int kCheckModuleAttempts = 3;
// Stale replies one operation skips at most. The operation's own timeout, counted from its
// first wait, is the usual bound; this one holds where time does not move (a stopped clock).
constexpr int kMaxStaleReplies = 4096;

bool SendCommand(uint8_t code, const uint8_t* payload, int payloadLength);
bool ReceiveReply(uint8_t* destination, int destinationLength, int timeout, uint32_t& sequence);
bool SendDataPacket(const uint8_t* data, int length);
bool ReceiveDataPacket(uint8_t* destination, int length, int timeout, uint32_t& sequence);
bool Transact(uint8_t code, const uint8_t* payload, int payloadLength, uint8_t* replyBuffer,
              int replyLength, int timeout);
bool WriteData(const uint8_t* data, int length, int timeout);
bool ReadData(uint8_t code, const uint8_t* payload, int payloadLength, uint8_t* destination,
              uint32_t total, int timeout);
uint32_t ChunkSize();
bool IsLegacyLink();
bool CheckModule(uint16_t expected, int timeout);

// As Transact; replied gets the number of reply payload bytes that reached replyBuffer.
bool TransactCounted(uint8_t code, const uint8_t* payload, int payloadLength, uint8_t* replyBuffer,
                     int replyLength, int timeout, int& replied);

}  // namespace karvelm
