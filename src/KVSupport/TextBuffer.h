#pragma once

#include <cstdint>

// Owned paragraph text buffers. A paragraph whose text has been edited owns a
// heap buffer holding its bytes and a 0 byte after them, usually with some
// slack so that later edits can work in place. The buffer knows its size: a
// small header before the bytes keeps it, so a paragraph record needs only
// the pointer. Every text of a paragraph with pfOwnText comes from here.
namespace korvel {

// A buffer of Size bytes (uninitialised); null when Size <= 0.
char* AllocTextBuffer(int32_t Size);
// Frees a buffer from AllocTextBuffer; null is ignored.
void FreeTextBuffer(char* Text);
// The size a buffer was allocated with ("Cap"); 0 for null.
int32_t TextBufferSize(const char* Text);

// The size of a buffer for a text of Length bytes with 1/64 slack and its 0
// byte: Length + Length div 64 + 1. Raises Exception "Text too long" when that
// leaves the 32-bit range, so callers can check before changing anything.
int32_t SlackBufferSize(int32_t Length);

// A new buffer of Size bytes (at least Length + 1) holding the Length bytes at
// Source followed by a 0 byte; Source may be null when Length is 0.
char* NewTextBuffer(const char* Source, int32_t Length, int32_t Size);

} // namespace korvel
