// TBuf: one record of a DOC database in flight. It compresses and decompresses
// records in the DOC scheme and converts line breaks for storing without the
// include-binary option. Used by TextToDoc and DocToText (DocConvert.h); knows
// nothing of the PDB container.
//
// Bad input: Compress, NormalizeLineBreaks and ExpandLineBreaks accept any bytes
// of any length. Decompress raises EDocFormat (DocFormatError.h) for a literal
// run or back-reference cut off by the end of the record and for a
// back-reference whose distance is 0 or reaches before the start of the output;
// it never reads or writes outside its buffers, and on error Data is unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace verdane {

class TBuf {
public:
    // Data becomes `size` zero bytes.
    void Create(std::size_t size);
    // Data becomes a copy of the first `count` bytes.
    void SetData(const void* bytes, std::size_t count);
    void SetData(std::string_view bytes) { SetData(bytes.data(), bytes.size()); }

    // Replaces Data by its DOC-compressed form and returns the new length. The
    // output is the one of the DOC writer's greedy scan: the candidate grows one
    // byte at a time while its last non-overlapping occurrence in the bytes before
    // it lies at most 2047 bytes back; see DocCompress.cpp.
    int Compress();
    // Replaces Data by its decompressed form and returns the new length.
    int Decompress();
    // For storing without the include-binary option: drops bytes 0x00-0x08, turns
    // CR LF into LF and a lone CR into LF. Returns the new length.
    int NormalizeLineBreaks();
    // For reading without the include-binary option: each LF becomes CR LF.
    int ExpandLineBreaks();

    // The compressor's literal writer: appends the token(s) for byte `x` to the
    // work area, holding back a space so that it can pair with the next byte and
    // joining escaped bytes into literal runs of up to eight.
    void PutLiteral(std::uint8_t x);

    std::string_view Data() const { return data_; }
    std::size_t Size() const { return data_.size(); }

private:
    struct TokenWriter;
    TokenWriter Writer();
    void Keep(const TokenWriter& w);
    template <typename Finder>
    void Scan(const std::uint8_t* d, int size, Finder& finder);

    std::string work_;
    int workPos_ = 0;
    int runAt_ = 0;     // the count byte of the literal run written last
    int runCount_ = 0;  // its bytes, 0 when another token followed it
    bool spacePending_ = false;
    std::string data_;
};

}  // namespace verdane
