#include "system/PackStreams.h"

#include <cstring>

#include "platform/Memory.h"

uint32_t tabBit[32];

void FillTabBit() {
  if (tabBit[1] != 0) return;
  for (int i = 0; i < 32; i++) tabBit[i] = uint32_t(1) << i;
}

namespace {

PackStream* NewPackStream(void* source, uint32_t position, uint32_t size, uint8_t direction) {
  PackStream* stream = reinterpret_cast<PackStream*>(NewPtrClear(sizeof(PackStream)));
  if (!stream) return nullptr;
  FillTabBit();
  stream->source = source;
  stream->position = position;
  stream->size = size;
  stream->direction = direction;
  MlapInitReadWriteBits(stream);
  return stream;
}

inline Handle HandleOf(PackStream* stream) { return static_cast<Handle>(stream->source); }

// Makes the handle at least `needed` bytes long, growing it to `grown`.
bool EnsureHandle(Handle h, uint64_t needed, uint64_t grown) {
  if (needed <= uint64_t(GetHandleSize(h))) return true;
  if (grown > uint64_t(kMaxBlockSize)) grown = uint64_t(kMaxBlockSize);
  if (needed > grown) return false;
  SetHandleSize(h, Size(grown));
  return MemError() == noErr;
}

void SeekCommon(PackStream* stream, int32_t position) {
  if (stream->direction && stream->bitMask != 128) stream->PutChar(stream->bitBuffer, stream);
  stream->position = uint32_t(position < 0 ? 0 : position);
  stream->bitBuffer = 0;
  stream->bitMask = stream->direction ? 128 : 0;
}

}  // namespace

void MlapInitReadWriteBits(PackStream* stream) {
  stream->bitBuffer = 0;
  stream->bitMask = stream->direction ? 128 : 0;
}

void MlapFlushWriteBits(PackStream* stream) {
  if (stream->bitMask != 128) stream->PutChar(stream->bitBuffer, stream);
  stream->bitMask = 128;
  stream->bitBuffer = 0;
}

PackStream* InitPackStreamHandle(Handle handle, uint32_t position, uint8_t direction) {
  PackStream* stream = NewPackStream(handle, position, 0, direction);
  if (!stream) return nullptr;
  stream->GetChar = PackHandleGetChar;
  stream->PutChar = PackHandlePutChar;
  stream->GetBlock = PackHandleGetBlock;
  stream->PutBlock = PackHandlePutBlock;
  stream->Seek = PackHandleSeek;
  stream->Size = PackHandleSize;
  stream->Close = PackHandleClose;
  return stream;
}

PackStream* InitPackStreamPtr(void* pointer, uint32_t size, uint32_t position, uint8_t direction) {
  PackStream* stream = NewPackStream(pointer, position, size, direction);
  if (!stream) return nullptr;
  stream->GetChar = PackPtrGetChar;
  stream->PutChar = PackPtrPutChar;
  stream->GetBlock = PackPtrGetBlock;
  stream->PutBlock = PackPtrPutBlock;
  stream->Seek = PackPtrSeek;
  stream->Size = PackPtrSize;
  return stream;
}

PackStream* InitPackStreamVector(void* context, uint32_t size, PackGetCharProc getChar, PackPutCharProc putChar,
                                 PackGetBlockProc getBlock, PackPutBlockProc putBlock, PackSeekProc seek,
                                 PackSizeProc sizeProc, PackCloseProc close, uint32_t start, uint8_t direction) {
  PackStream* stream = NewPackStream(context, 0, size, direction);
  if (!stream) return nullptr;
  stream->GetChar = getChar;
  stream->PutChar = putChar;
  stream->GetBlock = getBlock;
  stream->PutBlock = putBlock;
  stream->Seek = seek;
  stream->Size = sizeProc;
  stream->Close = close;
  if (seek) seek(stream, int32_t(start));
  return stream;
}

void DisposePackStream(PackStream* stream) {
  if (!stream) return;
  if (stream->Close) stream->Close(stream);
  DisposePtr(reinterpret_cast<Ptr>(stream));
}

int16_t PackHandleGetChar(PackStream* stream) {
  Handle h = HandleOf(stream);
  if (stream->position >= uint32_t(GetHandleSize(h))) return -1;
  return int16_t(uint8_t((*h)[stream->position++]));
}

uint8_t PackHandlePutChar(uint8_t byte, PackStream* stream) {
  Handle h = HandleOf(stream);
  // A seek may have left the position past the end: grow from there.
  if (!EnsureHandle(h, uint64_t(stream->position) + 1, uint64_t(stream->position) + 4096)) return 0;
  (*h)[stream->position++] = char(byte);
  return 1;
}

uint8_t PackHandleGetBlock(void* destination, int32_t count, PackStream* stream) {
  Handle h = HandleOf(stream);
  if (count < 0 || uint64_t(stream->position) + uint64_t(count) > uint64_t(GetHandleSize(h))) return 0;
  if (count) std::memcpy(destination, *h + stream->position, size_t(count));
  stream->position += uint32_t(count);
  return 1;
}

uint8_t PackHandlePutBlock(const void* source, int32_t count, PackStream* stream) {
  Handle h = HandleOf(stream);
  if (count < 0) return 0;
  uint64_t end = uint64_t(stream->position) + uint64_t(count);
  if (!EnsureHandle(h, end, end + 4096)) return 0;
  if (count) std::memcpy(*h + stream->position, source, size_t(count));
  stream->position += uint32_t(count);
  return 1;
}

void PackHandleSeek(PackStream* stream, int32_t position) { SeekCommon(stream, position); }

int32_t PackHandleSize(PackStream* stream) { return GetHandleSize(HandleOf(stream)); }

void PackHandleClose(PackStream* stream) {
  if (stream->direction) SetHandleSize(HandleOf(stream), Size(stream->position));
}

int16_t PackPtrGetChar(PackStream* stream) {
  if (stream->position >= stream->size) return -1;
  return int16_t(static_cast<const uint8_t*>(stream->source)[stream->position++]);
}

uint8_t PackPtrPutChar(uint8_t byte, PackStream* stream) {
  if (stream->position >= stream->size) return 0;
  static_cast<uint8_t*>(stream->source)[stream->position++] = byte;
  return 1;
}

uint8_t PackPtrGetBlock(void* destination, int32_t count, PackStream* stream) {
  if (count < 0 || uint64_t(stream->position) + uint64_t(count) > stream->size) return 0;
  if (count) std::memcpy(destination, static_cast<const uint8_t*>(stream->source) + stream->position, size_t(count));
  stream->position += uint32_t(count);
  return 1;
}

uint8_t PackPtrPutBlock(const void* source, int32_t count, PackStream* stream) {
  if (count < 0 || uint64_t(stream->position) + uint64_t(count) > stream->size) return 0;
  if (count) std::memcpy(static_cast<uint8_t*>(stream->source) + stream->position, source, size_t(count));
  stream->position += uint32_t(count);
  return 1;
}

void PackPtrSeek(PackStream* stream, int32_t position) { SeekCommon(stream, position); }

int32_t PackPtrSize(PackStream* stream) { return int32_t(stream->size); }
