// Cuts record frames out of the received bytes. A frame is recognised only by its "&PZ"
// start and by a carriage return where its length byte says the frame ends; the CRC is
// checked later, on the transfer thread. Pure functions over bytes.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace movra {

enum class CutStop : unsigned char {
  NoFrameStart,  // no "&PZ" in the buffer
  Incomplete,    // the frame's end has not arrived yet
  Damaged,       // the predicted end is not a carriage return: cutting stops here for good
};

// Cuts every complete frame from the front of `buffer` into `frames`, in order, and says
// why it stopped. Leading carriage returns are dropped; bytes before a frame stay.
CutStop CutFrames(std::string& buffer, std::vector<std::string>& frames);

// The most the receive buffer keeps. A frame is at most 265 bytes and a meter's whole
// memory a few kilobytes, so only a line that streams noise or a damaged frame's tail
// ever comes near it.
constexpr size_t kReceiveBufferLimit = 64 * 1024;

// Keeps the buffer within kReceiveBufferLimit by dropping only bytes that can never be
// part of a frame: noise before the first "&PZ" (its last two bytes stay, they may begin
// one) and, behind a damaged frame, the tail.
void BoundReceiveBuffer(std::string& buffer, CutStop stop);

// Appends the chunk, cuts, bounds. What the receive handler does with each chunk.
CutStop AppendAndCut(std::string& buffer, const std::string& chunk, std::vector<std::string>& frames);

}  // namespace movra
