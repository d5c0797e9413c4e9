// Whole-buffer zlib decoding.  The input is offered in slices of one step (an
// eighth of the input, or 256 bytes for inputs below 256 bytes).  The output
// block starts at one step; each time inflate fills it, it grows to the size
// the stream promises so far (output per input consumed, times the whole
// input, and an eighth more; once a 64th of the input is in) when that is more
// than half again its size, and by half its size (at least one step)
// otherwise.  So a highly compressible
// stream costs a logarithmic number of resizes, and a stream of even
// compressibility is decoded into its second block: growing copies the block,
// and while it does the old and the new block are both held.  The block is
// trimmed to the decoded size at the end.
#include "payload/inflate_buffer.h"

#include <string.h>
#include <zlib.h>

namespace {

const DWORD kLargestBlock = 0xFFFFFFFFu;

DWORD InflateStep(DWORD inputLength)
{
    return inputLength >= 256 ? inputLength >> 3 : 256;
}

// The size the whole stream decodes to if the rest of the input decodes as the
// part consumed so far did, and an eighth more; 0 while less than a 64th of
// the input is consumed (the stream's header and first block headers would
// weigh too much in the estimate).
DWORD ProjectedSize(DWORD decoded, DWORD consumed, DWORD inputLength)
{
    if (consumed == 0 || consumed < inputLength / 64) return 0;
    unsigned long long projected = static_cast<unsigned long long>(decoded) * inputLength / consumed;
    projected += projected / 8;
    return projected > kLargestBlock ? kLargestBlock : static_cast<DWORD>(projected);
}

// Grows *block (room bytes, null at first) for more output, to projected bytes
// when that is the larger size and the heap gives it; false when the heap
// refuses or the size would pass what a DWORD can count.
bool GrowBlock(BYTE** block, DWORD* room, DWORD step, DWORD projected)
{
    if (*block == nullptr) {
        BYTE* first = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, step));
        if (first == nullptr) return false;
        *block = first;
        *room = step;
        return true;
    }
    if (*room == kLargestBlock) return false;
    DWORD growth = *room / 2 > step ? *room / 2 : step;
    DWORD bigger = growth > kLargestBlock - *room ? kLargestBlock : *room + growth;
    if (projected > bigger) {
        BYTE* moved = static_cast<BYTE*>(LocalReAlloc(*block, projected, LMEM_MOVEABLE));
        if (moved != nullptr) {
            *block = moved;
            *room = projected;
            return true;
        }
    }
    BYTE* moved = static_cast<BYTE*>(LocalReAlloc(*block, bigger, LMEM_MOVEABLE));
    if (moved == nullptr) return false;
    *block = moved;
    *room = bigger;
    return true;
}

}  // namespace

int InflateBuffer(BYTE** output, DWORD* outputSize, const BYTE* input, DWORD inputLength)
{
    const DWORD step = InflateStep(inputLength);
    *output = nullptr;
    *outputSize = 0;

    z_stream stream;
    memset(&stream, 0, sizeof(stream));
    int result = inflateInit(&stream);
    if (result != Z_OK) return result;

    BYTE* block = nullptr;
    DWORD room = 0;
    DWORD decoded = 0;
    DWORD consumed = 0;
    int last = Z_OK;
    for (;;) {
        DWORD slice = inputLength - consumed < step ? inputLength - consumed : step;
        if (slice == 0) break;
        stream.next_in = const_cast<Bytef*>(input + consumed);
        stream.avail_in = slice;
        for (;;) {
            if (decoded == room &&
                !GrowBlock(&block, &room, step,
                           ProjectedSize(decoded, consumed + (slice - stream.avail_in), inputLength))) {
                result = Z_MEM_ERROR;
                goto failed;
            }
            DWORD space = room - decoded;
            stream.next_out = block + decoded;
            stream.avail_out = space;
            last = inflate(&stream, Z_NO_FLUSH);
            if (last == Z_DATA_ERROR || last == Z_MEM_ERROR) {
                result = last;
                goto failed;
            }
            if (last == Z_STREAM_ERROR || last == Z_NEED_DICT) {
                result = Z_DATA_ERROR;
                goto failed;
            }
            decoded += space - stream.avail_out;
            if (stream.avail_out != 0) break;
        }
        consumed += slice - stream.avail_in;
        if (last == Z_STREAM_END) break;
    }
    inflateEnd(&stream);
    if (last != Z_STREAM_END) {
        LocalFree(block);
        return Z_DATA_ERROR;
    }
    if (decoded > 0 && decoded < room) {
        // A heap that cannot shrink the block in place leaves it larger.
        BYTE* trimmed = static_cast<BYTE*>(LocalReAlloc(block, decoded, LMEM_MOVEABLE));
        if (trimmed != nullptr) block = trimmed;
    }
    *output = block;
    *outputSize = decoded;
    return Z_OK;

failed:
    inflateEnd(&stream);
    LocalFree(block);
    return result;
}
