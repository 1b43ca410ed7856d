#include "playerdata/BinaryIo.h"

#include <cstring>

void CByteWriter::Bytes(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    Data.insert(Data.end(), p, p + size);
}

void CByteWriter::Word(uint32_t v) {
    for (int b = 0; b < 4; ++b)
        Data.push_back(static_cast<uint8_t>(v >> (8 * b)));
}

void CByteWriter::Float(float v) {
    uint32_t w;
    std::memcpy(&w, &v, sizeof w);
    Word(w);
}

void CByteWriter::Double(double v) {
    uint64_t w;
    std::memcpy(&w, &v, sizeof w);
    Word(static_cast<uint32_t>(w));
    Word(static_cast<uint32_t>(w >> 32));
}

CByteReader::~CByteReader() {
    if (file_ != nullptr)
        std::fclose(file_);
}

bool CByteReader::Bytes(void* out, size_t size) {
    if (file_ == nullptr)
        return false;
    const size_t n = std::fread(out, 1, size, file_);
    offset_ += n;
    return n == size;
}

bool CByteReader::Word(uint32_t& v) {
    uint8_t b[4];
    if (!Bytes(b, sizeof b))
        return false;
    v = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
        static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    return true;
}

bool CByteReader::Int(int32_t& v) {
    uint32_t w;
    if (!Word(w))
        return false;
    v = static_cast<int32_t>(w);
    return true;
}

bool CByteReader::Float(float& v) {
    uint32_t w;
    if (!Word(w))
        return false;
    std::memcpy(&v, &w, sizeof v);
    return true;
}

bool CByteReader::Double(double& v) {
    uint32_t lo, hi;
    if (!Word(lo) || !Word(hi))
        return false;
    const uint64_t w = static_cast<uint64_t>(hi) << 32 | lo;
    std::memcpy(&v, &w, sizeof v);
    return true;
}
