// InflateBuffer: decodes one whole zlib stream (RFC 1950) held in memory into a
// new block of the local heap.  The decoded size is not known in advance, so
// the block grows while the stream is decoded and is trimmed at its end.
#ifndef MSILAUNCH_PAYLOAD_INFLATE_BUFFER_H
#define MSILAUNCH_PAYLOAD_INFLATE_BUFFER_H

#include "launcher/platform.h"

// Sets *output and *outputSize to null and 0, then decodes the stream at input.
// 0: *output is a new block (LocalFree it) trimmed to *outputSize bytes (it
// stays larger when the heap cannot shrink it, and when the stream decodes to
// nothing it is one step long).  Otherwise a zlib status and no
// block: an inflateInit_ failure as zlib gave it, -4 (Z_MEM_ERROR) when the
// block cannot grow, -3 (Z_DATA_ERROR) for a corrupt stream, one that needs a
// preset dictionary, or an input that ends before the stream does.  Bytes after
// the end of the stream are ignored.
int InflateBuffer(BYTE** output, DWORD* outputSize, const BYTE* input, DWORD inputLength);

#endif
