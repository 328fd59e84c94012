// The request body, collected in memory for the ordinary request path. Small
// bodies stay in a fixed area inside the structure, which lives on the
// handler's stack; larger ones move to a heap block that doubles as it grows,
// so the number of reallocations grows with the logarithm of the body size.
#pragma once

#include <cstddef>

constexpr size_t bodyInitialCapacity = 400;

struct BodyBuffer {
  size_t capacity = bodyInitialCapacity;
  size_t used = 0;
  char *data = initial;  // `initial` until the first growth, then the heap block
  bool failed = false;   // memory ran out; the body is incomplete
  char initial[bodyInitialCapacity];

  BodyBuffer() = default;
  BodyBuffer(const BodyBuffer &) = delete;
  BodyBuffer &operator=(const BodyBuffer &) = delete;
  ~BodyBuffer();
};

// Appends bytes, always keeping one byte free for a terminator. Returns false,
// and marks the buffer failed, when the buffer cannot grow; the bytes collected
// so far stay intact.
bool body_append(BodyBuffer *buffer, const char *bytes, size_t length);

// Writes the terminator after the collected bytes and returns them.
const char *body_text(BodyBuffer *buffer);
