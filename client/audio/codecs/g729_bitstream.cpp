#include "client/audio/codecs/g729_bitstream.h"

#include <cstring>

#include "client/audio/codecs/g729_tables.h"

namespace orv::g729 {

namespace {

// The fields in transmission order, with the widths of the bit allocation.
template <typename Fields, typename Visit> void ForEachField(Fields& f, Visit visit) {
    int* const order[15] = {&f.l0,  &f.l1,  &f.l2, &f.l3, &f.p1, &f.p0,  &f.c1, &f.s1,
                            &f.ga1, &f.gb1, &f.p2, &f.c2, &f.s2, &f.ga2, &f.gb2};
    for (int i = 0; i < 15; ++i)
        visit(*order[i], kG729BitsnoFields[i]);
}

} // namespace

void PackFrame(const FrameFields& fields, uint8_t* frame) {
    std::memset(frame, 0, kFrameBytes);
    FrameFields copy = fields;
    int bit = 0;
    ForEachField(copy, [&](int& value, int width) {
        for (int b = width - 1; b >= 0; --b, ++bit) {
            if ((value >> b) & 1) frame[bit / 8] |= static_cast<uint8_t>(0x80 >> (bit % 8));
        }
    });
}

FrameFields UnpackFrame(const uint8_t* frame) {
    FrameFields fields{};
    int bit = 0;
    ForEachField(fields, [&](int& value, int width) {
        value = 0;
        for (int b = 0; b < width; ++b, ++bit)
            value = (value << 1) | ((frame[bit / 8] >> (7 - bit % 8)) & 1);
    });
    return fields;
}

} // namespace orv::g729
