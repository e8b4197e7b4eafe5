#include "engine/DuplicateHash.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <new>

namespace sweep {

namespace {
Hash128 Of(const XXH128_hash_t& h) { return Hash128{h.low64, h.high64}; }
}  // namespace

// XXH3's streaming state wants 64-byte alignment, which its own allocator
// gives.
struct StreamHash::State {
    XXH3_state_t* xxh = XXH3_createState();
    ~State() { XXH3_freeState(xxh); }
};

Hash128 HashOf(const void* data, std::size_t size) { return Of(XXH3_128bits(data, size)); }

StreamHash::StreamHash() : state_(new State) {
    if (!state_->xxh) throw std::bad_alloc();
    Reset();
}

StreamHash::~StreamHash() = default;

void StreamHash::Reset() { XXH3_128bits_reset(state_->xxh); }
void StreamHash::Add(const void* data, std::size_t size) { XXH3_128bits_update(state_->xxh, data, size); }
Hash128 StreamHash::Digest() const { return Of(XXH3_128bits_digest(state_->xxh)); }

}  // namespace sweep
