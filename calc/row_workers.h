#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "compute/fault.h"
#include "output/io.h"

namespace dipview::calc {

/// Turns a chunk of states into the text of their rows.
using ChunkWriter = std::function<std::string(const std::vector<FaultInputs>& states)>;

/// Worker threads that write the rows of chunks of states, handed out in
/// order and written out in the same order. Only the thread that made the
/// workers submits chunks and writes them.
class RowWorkers {
 public:
  /// Starts up to `jobs` threads, fewer when no more can be had. Each thread
  /// makes its own writer with `makeWriter` when its first chunk comes, so
  /// that running out of memory for it fails that chunk rather than the
  /// whole program.
  RowWorkers(int jobs, std::function<ChunkWriter()> makeWriter);
  ~RowWorkers();
  RowWorkers(const RowWorkers&) = delete;
  RowWorkers& operator=(const RowWorkers&) = delete;

  /// Whether any thread could be started.
  bool Started() const { return !threads_.empty(); }

  /// Hands `states` to a thread, then writes the chunks finished at the
  /// front, waiting for the oldest while more than two per thread are
  /// unwritten.
  void Submit(std::vector<FaultInputs> states, output::OutputBuffer& out);

  /// Writes the finished chunks at the front, waiting for the oldest while
  /// more than `keep` are unwritten; rethrows the failure of a chunk.
  void WriteFinished(output::OutputBuffer& out, std::size_t keep);

 private:
  struct Chunk;
  void Work();

  std::function<ChunkWriter()> makeWriter_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::condition_variable done_;
  std::deque<Chunk*> queue_;
  bool stop_ = false;
  std::deque<std::unique_ptr<Chunk>> order_;
  std::vector<std::jthread> threads_;
};

}  // namespace dipview::calc
