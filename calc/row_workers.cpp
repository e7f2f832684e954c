#include "calc/row_workers.h"

#include <system_error>
#include <utility>

namespace dipview::calc {

namespace {

// Chunks handed out at most per thread before the oldest must be written:
// enough to keep every thread busy, few enough that rows still stream.
constexpr std::size_t kChunksPerJob = 2;

}  // namespace

// A chunk of states a worker thread writes, and the text of their rows.
struct RowWorkers::Chunk {
  std::vector<FaultInputs> states;
  std::string text;
  std::exception_ptr failure;
  bool done = false;  ///< guarded by mutex_
};

RowWorkers::RowWorkers(int jobs, std::function<ChunkWriter()> makeWriter)
    : makeWriter_(std::move(makeWriter)) {
  // Room first: a failure once threads run would leave them waiting forever.
  threads_.reserve(static_cast<std::size_t>(jobs));
  for (int i = 0; i < jobs; ++i) {
    try {
      threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      // Out of threads or of memory for their stacks: fewer will do.
      break;
    }
  }
}

RowWorkers::~RowWorkers() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  ready_.notify_all();
  threads_.clear();  // joins
}

void RowWorkers::Submit(std::vector<FaultInputs> states, output::OutputBuffer& out) {
  auto chunk = std::make_unique<Chunk>();
  chunk->states = std::move(states);
  {
    const std::lock_guard lock(mutex_);
    queue_.push_back(chunk.get());
  }
  ready_.notify_one();
  order_.push_back(std::move(chunk));
  WriteFinished(out, kChunksPerJob * threads_.size());
}

void RowWorkers::WriteFinished(output::OutputBuffer& out, std::size_t keep) {
  while (!order_.empty()) {
    Chunk& front = *order_.front();
    {
      std::unique_lock lock(mutex_);
      if (!front.done) {
        if (order_.size() <= keep) {
          return;
        }
        done_.wait(lock, [&front] { return front.done; });
      }
    }
    if (front.failure) {
      std::rethrow_exception(front.failure);
    }
    out.Append(front.text);
    order_.pop_front();
  }
}

void RowWorkers::Work() {
  ChunkWriter write;
  for (;;) {
    Chunk* chunk = nullptr;
    {
      std::unique_lock lock(mutex_);
      ready_.wait(lock, [this] { return stop_ || !queue_.empty(); });
      if (stop_) {
        return;
      }
      chunk = queue_.front();
      queue_.pop_front();
    }
    try {
      if (!write) {
        write = makeWriter_();
      }
      chunk->text = write(chunk->states);
    } catch (...) {
      chunk->failure = std::current_exception();
    }
    {
      const std::lock_guard lock(mutex_);
      chunk->done = true;
    }
    done_.notify_one();
  }
}

}  // namespace dipview::calc
