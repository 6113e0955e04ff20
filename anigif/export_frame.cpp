#include "anigif/export_frame.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "anigif/write_code.h"

namespace veltrano::anigif {
namespace {

constexpr int kHashSlots = 5003;  // a prime, so the secondary step visits every slot
constexpr int kHashShift = 4;     // the primary hash multiplies the pixel by 16
constexpr int kClearCode = 256;
constexpr int kEndCode = 257;
constexpr int kFirstFreeCode = 258;
constexpr int kCodeLimit = 4096;  // 12-bit codes
constexpr int kMinCodeSize = 8;
constexpr int kMaxGifSide = 65535;

// A primary slot never leaves the table, so it needs no folding.
static_assert(((255 << kHashShift) | (kCodeLimit - 1)) < kHashSlots);

constexpr std::size_t kHeaderBytes = 13 + 768;  // signature, screen descriptor, colour table
constexpr std::size_t kControlExtBytes = 8;
constexpr std::size_t kDescriptorBytes = 10;

void Put16(std::uint8_t* p, std::int32_t v) {
  p[0] = static_cast<std::uint8_t>(v & 0xFF);
  p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

// Header, global table, optional graphic control extension, image descriptor
// and minimum code size. Returns the position after the last of them.
std::size_t WriteHeader(std::uint8_t* out, std::int32_t width, std::int32_t height,
                        ColorTableView table, std::uint8_t trans_flag, std::uint8_t trans_index) {
  std::memcpy(out, "GIF89a", 6);
  Put16(out + 6, width);
  Put16(out + 8, height);
  out[10] = 0x87;  // global table of 256 entries
  out[11] = 0;     // background index
  out[12] = 0;     // aspect ratio
  const int count = std::clamp(table[256], 0, 256);
  std::uint8_t* rgb = out + 13;
  for (int i = 0; i < count; ++i) {
    const auto c = static_cast<std::uint32_t>(table[static_cast<std::size_t>(i)]);
    rgb[3 * i] = static_cast<std::uint8_t>(c >> 16);
    rgb[3 * i + 1] = static_cast<std::uint8_t>(c >> 8);
    rgb[3 * i + 2] = static_cast<std::uint8_t>(c);
  }
  std::memset(rgb + 3 * count, 0, static_cast<std::size_t>(3 * (256 - count)));
  std::size_t p = kHeaderBytes;
  if (trans_flag == 1) {
    const std::uint8_t ext[kControlExtBytes] = {0x21, 0xF9, 0x04, 0x01, 0, 0, trans_index, 0};
    std::memcpy(out + p, ext, kControlExtBytes);
    p += kControlExtBytes;
  }
  out[p] = 0x2C;
  Put16(out + p + 1, 0);
  Put16(out + p + 3, 0);
  std::memcpy(out + p + 5, out + 6, 4);
  out[p + 9] = 0;  // no local table, not interlaced
  p += kDescriptorBytes;
  out[p++] = kMinCodeSize;
  return p;
}

// ---- The string table ------------------------------------------------------
//
// The codes of the stream are defined by a string table kept as an
// open-addressing hash of 5003 slots: the key of a string is
// pixel * 4096 + prefix code, its primary slot (pixel * 16) XOR prefix,
// collisions step back by 5003 - slot, and a slot holding -1 or 0 ends a probe
// (so a string stored under key 0 can end a probe meant for another one and be
// overwritten).
//
// A probe never comes back to slot 0. So as long as key 0 (pixel 0 after the
// one-pixel string 0) sits in slot 0 or is absent, that table finds every
// string it holds and the codes are those of plain LZW; any exact dictionary
// gives the same stream. The pass uses a sparse table of its own for that,
// with short probes and no division. Only when key 0 arrives while another
// string holds slot 0 can the two differ; from then until the next clear the
// pass rebuilds the 5003 slots (the strings went in in code order, so the
// table's layout follows from the list of keys) and works on them. It does the
// same when a probe in its own table runs long, so that input that happens to
// cluster in it costs no more than the 5003 slots would.

// One slot of the 5003-slot table.
struct Slot {
  std::int32_t key;  // -1 = empty
  std::int32_t code;
};

void EmptySlots(Slot* t) {
  for (int k = 0; k < kHashSlots; ++k) t[k].key = -1;
}

// Goes on looking for `key` when its primary slot `i` holds another string
// (`h`, its key, is not negative): steps back by 5003 - i until a slot holds
// the key, -1 or 0. Leaves `i` and `h` on that slot.
inline void ProbeFrom(const Slot* t, std::int32_t key, int& i, std::int32_t& h) {
  const int step = (i == 0) ? 1 : kHashSlots - i;
  do {
    i -= step;
    if (i < 0) i += kHashSlots;
    h = t[i].key;
  } while (h != key && h > 0);
}

// The sparse table: 32768 words of (key + 1) << 12 | code, 0 = empty, linear
// probing from (scrambled pixel) XOR prefix. It is at most 12% full.
constexpr int kDictBits = 15;
constexpr std::uint32_t kDictMask = (1u << kDictBits) - 1;
constexpr int kMaxProbeRun = 64;  // a longer probe means the table has degraded

struct PixelScramble {
  std::uint32_t v[256];
  constexpr PixelScramble() : v() {
    for (std::uint32_t c = 0; c < 256; ++c) v[c] = ((c + 1) * 0x9E3779B1u) >> (32 - kDictBits);
  }
};
constexpr PixelScramble kScramble;

// Everything the pass carries from one pixel to the next.
struct PassState {
  const std::uint8_t* row;  // the current row
  std::int32_t x;           // the next pixel in it
  std::int32_t y;
  int prefix;     // code of the string matched so far
  int next_code;  // code the next new string gets
  int max_code;   // largest code at the current width
  CodeStream s;
};

struct Tables {
  std::unique_ptr<std::uint32_t[]> dict;      // the sparse table
  std::unique_ptr<std::int32_t[]> keys;       // key of each code of the current table
  std::unique_ptr<std::int32_t[]> dict_slot;  // where each code sits in `dict`
  std::unique_ptr<Slot[]> slots;              // the 5003 slots, made when first needed
};

enum class RunEnd { kFrameDone, kNeedSlots, kCleared };

// Writes the clear code and starts a new table at 9 bits.
void Clear(PassState& st) {
  WriteCode(kClearCode, st.s);
  st.s.width = 9;
  st.max_code = (1 << st.s.width) - 1;
  st.next_code = kFirstFreeCode;
}

// After a new string got `next_code`: one bit more once the width is used up,
// a clear once 12 bits are. True when the table was cleared.
inline bool AfterNewCode(PassState& st) {
  if (st.next_code > st.max_code) {
    if (st.next_code == kCodeLimit) {
      Clear(st);
      return true;
    }
    ++st.s.width;
    st.max_code = (1 << st.s.width) - 1;
  }
  ++st.next_code;
  return false;
}

// The sparse-table pass, from the state's pixel at the start of a table until
// the frame ends or the 5003 slots are needed (the state then stands on a
// pixel not yet consumed).
RunEnd RunSparse(PassState& io, const FramePixels& px, Tables& tb) {
  PassState st = io;  // a local copy stays in registers
  std::uint32_t* const dict = tb.dict.get();
  std::int32_t* const keys = tb.keys.get();
  std::int32_t* const dict_slot = tb.dict_slot.get();
  bool slot0_taken = false;  // it starts on an empty table
  RunEnd end = RunEnd::kFrameDone;
  for (; st.y < px.height; ++st.y, st.row += px.stride, st.x = 0) {
    for (; st.x < px.width; ++st.x) {
      const auto c = static_cast<std::uint32_t>(st.row[st.x]);
      const auto prefix = static_cast<std::uint32_t>(st.prefix);
      const std::uint32_t key1 = ((c << 12) | prefix) + 1;
      std::uint32_t i = kScramble.v[c] ^ prefix;
      std::uint32_t e = dict[i];
      if (e != 0 && (e >> 12) != key1) {
        int run = 0;
        do {
          i = (i + 1) & kDictMask;
          e = dict[i];
          if (++run > kMaxProbeRun) {
            end = RunEnd::kNeedSlots;
            goto out;
          }
        } while (e != 0 && (e >> 12) != key1);
      }
      if (e != 0) {
        st.prefix = static_cast<int>(e & 0xFFF);
        continue;
      }
      if (prefix == (c << kHashShift)) {  // a string whose primary slot is 0
        if (slot0_taken && c == 0) {      // key 0 would not get slot 0
          end = RunEnd::kNeedSlots;
          goto out;
        }
        slot0_taken = true;
      }
      WriteCode(st.prefix, st.s);
      st.prefix = static_cast<int>(c);
      if (st.next_code == kCodeLimit) {  // its string is dropped with the table at once
        Clear(st);
        for (int code = kFirstFreeCode; code < kCodeLimit; ++code) dict[dict_slot[code]] = 0;
        slot0_taken = false;
        continue;
      }
      dict[i] = (key1 << 12) | static_cast<std::uint32_t>(st.next_code);
      keys[st.next_code] = static_cast<std::int32_t>(key1 - 1);
      dict_slot[st.next_code] = static_cast<std::int32_t>(i);
      AfterNewCode(st);
    }
  }
out:
  io = st;
  return end;
}

// The 5003-slot pass: rebuilds the slots from the keys of the current table,
// then goes on until the next clear or the end of the frame.
RunEnd RunSlots(PassState& io, const FramePixels& px, Tables& tb) {
  if (!tb.slots) tb.slots = std::make_unique_for_overwrite<Slot[]>(kHashSlots);
  Slot* const t = tb.slots.get();
  EmptySlots(t);
  for (int code = kFirstFreeCode; code < io.next_code; ++code) {
    const std::int32_t key = tb.keys[code];
    int i = ((key >> 12) << kHashShift) ^ (key & 0xFFF);
    std::int32_t h = t[i].key;
    if (h >= 0) ProbeFrom(t, key, i, h);  // never found: the keys of one table differ
    t[i] = {key, code};
  }

  PassState st = io;
  for (; st.y < px.height; ++st.y, st.row += px.stride, st.x = 0) {
    for (; st.x < px.width; ++st.x) {
      const int c = st.row[st.x];
      const std::int32_t key = (c << 12) + st.prefix;
      int i = (c << kHashShift) ^ st.prefix;  // always inside the table, see above
      std::int32_t h = t[i].key;
      if (h != key && h >= 0) ProbeFrom(t, key, i, h);
      if (h == key) {
        st.prefix = t[i].code;
        continue;
      }
      WriteCode(st.prefix, st.s);
      st.prefix = c;
      t[i] = {key, st.next_code};
      if (AfterNewCode(st)) {
        ++st.x;
        io = st;
        return RunEnd::kCleared;
      }
    }
  }
  io = st;
  return RunEnd::kFrameDone;
}

// The LZW pass over the pixels, from the frame's top row down and left to
// right, writing codes from a clear to the end code.
void CompressPixels(const FramePixels& px, CodeStream& out) {
  Tables tb;
  tb.dict = std::make_unique<std::uint32_t[]>(kDictMask + 1);
  tb.keys = std::make_unique_for_overwrite<std::int32_t[]>(kCodeLimit);
  tb.dict_slot = std::make_unique_for_overwrite<std::int32_t[]>(kCodeLimit);

  PassState st{px.top_row, 1, 0, px.top_row[0], 0, 0, out};  // the top-left pixel starts
  Clear(st);
  for (;;) {
    RunEnd end = RunSparse(st, px, tb);
    if (end == RunEnd::kFrameDone) break;
    // The sparse table holds the strings of the current table, which the slot
    // pass takes over; after its clear the sparse table starts empty.
    for (int code = kFirstFreeCode; code < st.next_code; ++code) tb.dict[tb.dict_slot[code]] = 0;
    end = RunSlots(st, px, tb);
    if (end == RunEnd::kFrameDone) break;
  }
  WriteCode(st.prefix, st.s);
  WriteCode(kEndCode, st.s);
  WriteCode(kFlushCode, st.s);
  out = st.s;
}

}  // namespace

FramePixels FrameInStrip(const std::uint8_t* bits, std::ptrdiff_t row_bytes,
                         std::int32_t strip_height, std::int32_t strip_x, std::int32_t width,
                         std::int32_t height) {
  if (bits == nullptr || row_bytes <= 0 || strip_x < 0 || width <= 0 || height <= 0 ||
      height > strip_height || static_cast<std::ptrdiff_t>(strip_x) + width > row_bytes) {
    return {};
  }
  // Memory row r of a bottom-up DIB is strip row strip_height - 1 - r.
  const std::uint8_t* top =
      bits + static_cast<std::ptrdiff_t>(strip_height - 1) * row_bytes + strip_x;
  return {top, -row_bytes, width, height};
}

std::vector<std::uint8_t> EncodeFrameGif(const FramePixels& pixels, ColorTableView table,
                                         std::uint8_t trans_flag, std::uint8_t trans_index) {
  if (pixels.top_row == nullptr || pixels.width <= 0 || pixels.height <= 0 ||
      pixels.width > kMaxGifSide || pixels.height > kMaxGifSide) {
    return {};
  }
  try {
    // Room for the headers and a first guess at the data; the stream grows the
    // buffer when a sub-block would not fit.
    const std::size_t area = static_cast<std::size_t>(pixels.width) * pixels.height;
    std::vector<std::uint8_t> out(area / 2 + 1024);
    const std::size_t data_start =
        WriteHeader(out.data(), pixels.width, pixels.height, table, trans_flag, trans_index);

    CodeStream s = OpenCodeStream(out, data_start);
    CompressPixels(pixels, s);

    const std::size_t end = EndOfCodes(s);
    out[end] = 0x00;      // block terminator
    out[end + 1] = 0x3B;  // trailer
    out.resize(end + 2);
    if (out.capacity() - out.size() > 65536 && out.capacity() > 2 * out.size()) {
      out.shrink_to_fit();
    }
    return out;
  } catch (const std::bad_alloc&) {
    return {};
  }
}

std::vector<std::uint8_t> ExportFrameGif(const FrameStore& store, std::int32_t k) {
  if (k < 1 || k > store.FrameCount() || store.StripBits == nullptr) return {};
  const FrameInfo& f = store.Frame(k);
  if (f.ColorTable < 0 || static_cast<std::size_t>(f.ColorTable) >= store.ColorTables.size()) {
    return {};
  }
  // The strip's rows are padded to 4 bytes, as in any DIB.
  const std::int64_t row_bytes = (static_cast<std::int64_t>(store.StripWidth) * 8 + 31) / 32 * 4;
  const FramePixels view = FrameInStrip(store.StripBits, static_cast<std::ptrdiff_t>(row_bytes),
                                        store.StripHeight, f.StripX, f.Width, f.Height);
  if (view.top_row == nullptr || f.StripX + static_cast<std::int64_t>(f.Width) > store.StripWidth) {
    return {};
  }
  const ColorTable& table = store.ColorTables[static_cast<std::size_t>(f.ColorTable)];
  return EncodeFrameGif(view, table, f.TransFlag, f.TransIndex);
}

}  // namespace veltrano::anigif
