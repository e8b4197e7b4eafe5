// The content hash of the duplicate search: XXH3-128, from the xxHash header
// (Debian's libxxhash-dev), compiled into this one unit with SSE2, which
// every machine that runs Windows 7 has and which makes it several times
// faster in 32 bits. A hash only narrows the search down; removing a copy
// always compares its bytes first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace sweep {

struct Hash128 {
    std::uint64_t low = 0, high = 0;
    bool operator==(const Hash128& o) const { return low == o.low && high == o.high; }
    bool operator!=(const Hash128& o) const { return !(*this == o); }
    bool operator<(const Hash128& o) const { return high != o.high ? high < o.high : low < o.low; }
};

// The hash of a block of bytes, at once.
Hash128 HashOf(const void* data, std::size_t size);

// The hash of bytes that come in parts (a file read block by block): the
// same as HashOf of all of them together.
class StreamHash {
public:
    StreamHash();
    ~StreamHash();
    StreamHash(const StreamHash&) = delete;
    StreamHash& operator=(const StreamHash&) = delete;

    void Reset();
    void Add(const void* data, std::size_t size);
    Hash128 Digest() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace sweep
