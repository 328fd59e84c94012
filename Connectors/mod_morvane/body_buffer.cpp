#include "body_buffer.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Doubles the capacity until `extra` more bytes and a terminator fit.
bool grow(BodyBuffer *buffer, size_t extra) {
  if (extra > std::numeric_limits<size_t>::max() - buffer->used) return false;
  size_t needed = buffer->used + extra;
  size_t capacity = buffer->capacity;
  while (needed >= capacity) {
    if (capacity > std::numeric_limits<size_t>::max() / 2) return false;
    capacity *= 2;
  }
  bool onHeap = buffer->data != buffer->initial;
  char *grown = static_cast<char *>(onHeap ? std::realloc(buffer->data, capacity) : std::malloc(capacity));
  if (!grown) return false;
  if (!onHeap) std::memcpy(grown, buffer->initial, buffer->used);
  buffer->data = grown;
  buffer->capacity = capacity;
  return true;
}

}  // namespace

BodyBuffer::~BodyBuffer() {
  if (data != initial) std::free(data);
}

bool body_append(BodyBuffer *buffer, const char *bytes, size_t length) {
  if (buffer->failed) return false;
  bool fits = length < buffer->capacity - buffer->used;
  if (!fits && !grow(buffer, length)) {
    buffer->failed = true;
    return false;
  }
  std::memcpy(buffer->data + buffer->used, bytes, length);
  buffer->used += length;
  return true;
}

const char *body_text(BodyBuffer *buffer) {
  buffer->data[buffer->used] = '\0';
  return buffer->data;
}
