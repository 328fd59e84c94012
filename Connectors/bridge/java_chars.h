// Decoding bytes into the UTF-16 chars of a Java String, without a JVM.
//
// HotSpot's NewStringUTF reads the 1- to 3-byte forms leniently (overlong forms,
// C0 80 and encoded surrogates included) and turns a byte that starts no such
// form into the char of the same value, but it sizes the String by the bytes
// that are not 10xxxxxx. Standard UTF-8 with 4-byte sequences therefore comes
// out wrong and cut short: "a\xF0\x9F\x98\x80z" arrives as a, U+00F0, U+009F.
//
// This decoder gives the same chars as HotSpot wherever HotSpot is right, and
// mends the rest:
//   - a well-formed 4-byte sequence (U+10000..U+10FFFF) gives its surrogate pair;
//   - any byte that starts no accepted form gives the char of its own value;
//   - no byte is ever dropped.
#pragma once

#include <cstddef>
#include <cstdint>

// True when every byte is below 0x80: such text needs no decoding at all.
bool is_plain_ascii(const unsigned char *bytes, size_t length);

// Writes the chars of bytes[0..length) to out, which must have room for `length`
// chars (no input yields more chars than bytes), and returns how many it wrote.
size_t decode_java_chars(const unsigned char *bytes, size_t length, char16_t *out);
