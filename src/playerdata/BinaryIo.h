#pragma once
// Little-endian fields of the player files: a writer that gathers them in memory
// and a reader that takes them one by one from an open file and knows how far
// it got (for the fault reports).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

struct CByteWriter {
    void Bytes(const void* data, size_t size);
    void Word(uint32_t v);
    void Int(int32_t v) { Word(static_cast<uint32_t>(v)); }
    void Float(float v);
    void Double(double v);

    std::vector<uint8_t> Data;
};

class CByteReader {
public:
    // Takes ownership of the file (null: nothing can be read).
    explicit CByteReader(FILE* file) : file_(file) {}
    ~CByteReader();
    CByteReader(const CByteReader&) = delete;
    CByteReader& operator=(const CByteReader&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    FILE* File() const { return file_; }
    // Bytes consumed so far.
    size_t Offset() const { return offset_; }
    // Counts bytes read through File() by someone else.
    void Skip(size_t n) { offset_ += n; }

    // Each false on a short read (the value is then unchanged).
    bool Bytes(void* out, size_t size);
    bool Word(uint32_t& v);
    bool Int(int32_t& v);
    bool Float(float& v);
    bool Double(double& v);

private:
    FILE* file_;
    size_t offset_ = 0;
};
