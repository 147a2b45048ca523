#include "system/ZlibGlue.h"

#include <zlib.h>

#include <algorithm>

#include "platform/Memory.h"
#include "system/Reporters.h"

namespace {

// Inflation output is taken in pieces of this size at most: the piece size
// grows with the source, but a large source must not ask for a huge buffer.
constexpr uint32_t kMinPiece = 4096;
constexpr uint32_t kMaxPiece = 1u << 20;

struct CappedHandle {
  Handle handle;
  int32_t maxSize;
};

int AppendCapped(void* context, const uint8_t* bytes, uint32_t count) {
  CappedHandle* dest = static_cast<CappedHandle*>(context);
  if (int64_t(GetHandleSize(dest->handle)) + count > dest->maxSize) return 1;
  return VectDecompress(dest->handle, bytes, count);
}

}  // namespace

int ZDecompressOnVector(ZOutputProc output, void* context, const void* source, uint32_t length) {
  uint64_t want = uint64_t(length) * 20;
  uint32_t pieceSize = uint32_t(std::clamp<uint64_t>(want, kMinPiece, kMaxPiece));
  Ptr piece = NewPtr(Size(pieceSize));
  if (!piece) return Z_MEM_ERROR;

  z_stream z{};
  z.next_in = static_cast<Bytef*>(const_cast<void*>(source));
  z.avail_in = length;
  int err = inflateInit(&z);
  if (err != Z_OK) {
    DisposePtr(piece);
    return err;
  }
  for (;;) {
    z.next_out = reinterpret_cast<Bytef*>(piece);
    z.avail_out = pieceSize;
    err = inflate(&z, Z_SYNC_FLUSH);
    uint32_t produced = pieceSize - z.avail_out;
    if ((err == Z_OK || err == Z_STREAM_END) && produced > 0 &&
        output(context, reinterpret_cast<const uint8_t*>(piece), produced) != 0) {
      err = Z_MEM_ERROR;
      break;
    }
    if (err != Z_OK) break;
  }
  if (err == Z_STREAM_END) err = inflateEnd(&z);
  else inflateEnd(&z);
  DisposePtr(piece);
  return err;
}

int VectDecompress(void* destination, const uint8_t* bytes, uint32_t count) {
  Handle h = static_cast<Handle>(destination);
  return PtrAndHand(bytes, h, Size(count)) == noErr ? 0 : 1;
}

Handle RozoUnZipHandleAndFree(Handle source, int32_t maxSize) {
  if (!source) return nullptr;
  CappedHandle dest{NewHandle(0), maxSize > 0 ? std::min(maxSize, kMaxBlockSize) : kMaxBlockSize};
  if (!dest.handle) {
    DisposeHandle(source);
    return nullptr;
  }
  int err = ZDecompressOnVector(AppendCapped, &dest, *source, uint32_t(GetHandleSize(source)));
  DisposeHandle(source);
  if (err != Z_OK) {
    Printf("ZipDecodeHandle err %d", err);
    DisposeHandle(dest.handle);
    return nullptr;
  }
  return dest.handle;
}

Handle RozoZipHandleAndFree(Handle source) {
  if (!source) return nullptr;
  uLong length = uLong(GetHandleSize(source));
  // The worst case of zlib's own bound: incompressible data grows a little.
  uLong bound = compressBound(length);
  Handle dest = bound <= uLong(kMaxBlockSize) ? NewHandle(Size(bound)) : nullptr;
  if (!dest) {
    DisposeHandle(source);
    Printf("compress err %d", Z_MEM_ERROR);
    return nullptr;
  }
  uLongf destLength = bound;
  int err = compress(reinterpret_cast<Bytef*>(*dest), &destLength, reinterpret_cast<const Bytef*>(*source), length);
  DisposeHandle(source);
  if (err != Z_OK) {
    Printf("compress err %d", err);
    DisposeHandle(dest);
    return nullptr;
  }
  SetHandleSize(dest, Size(destLength));
  return dest;
}
