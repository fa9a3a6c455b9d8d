// SPDX-License-Identifier: Apache-2.0
#include "codec.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "vekdi.h"

namespace vekdi::tool {

namespace {
constexpr int kLength = 255;
constexpr uint8_t kFirstRoot = 0x02; // alpha: generator roots alpha^1 ... alpha^p
const uint8_t kGenerator[9] = {1, 0, 1, 1, 1, 0, 0, 0, 1};
// Layout of the decode scratch (aligned from its start).
constexpr size_t kWordOffset = 1024;
constexpr size_t kBufferOffset = kWordOffset + 256;

void check(VekStatus st, const char* what) {
    if (st != StatusOk) throw std::runtime_error(std::string("library call failed: ") + what);
}
} // namespace

StripeCode::StripeCode(int k, int p) : k_(k), p_(p), pad_(kLength - k - p), generator_(static_cast<size_t>(p) * k) {
    if (k < 1 || p < 1 || k + p > kLength) throw std::invalid_argument("stripe code parameters out of range");
    int size = 0;
    check(veksGFGetSize_8u(8, &size), "veksGFGetSize_8u");
    field_.resize(static_cast<size_t>(size));
    auto* field = reinterpret_cast<VeksGFSpec_8u*>(field_.data());
    check(veksGFInit_8u(8, kGenerator, field), "veksGFInit_8u");

    // The parity of each unit message gives one column of the generator map.
    check(veksRSEncodeGetSize_8u(kLength, kLength - p, &size), "veksRSEncodeGetSize_8u");
    std::vector<uint8_t> encoderRecord(static_cast<size_t>(size));
    auto* encoder = reinterpret_cast<VeksRSEncodeSpec_8u*>(encoderRecord.data());
    check(veksRSEncodeInit_8u(kLength, kLength - p, field, kFirstRoot, encoder), "veksRSEncodeInit_8u");
    check(veksRSEncodeGetBufferSize_8u(encoder, &size), "veksRSEncodeGetBufferSize_8u");
    std::vector<uint8_t> scratch(static_cast<size_t>(size));
    std::vector<uint8_t> message(kLength - p), codeword(kLength);
    for (int j = 0; j < k; ++j) {
        std::fill(message.begin(), message.end(), 0);
        message[pad_ + j] = 1;
        check(veksRSEncode_8u(message.data(), codeword.data(), encoder, scratch.data()), "veksRSEncode_8u");
        for (int r = 0; r < p; ++r) generator_[static_cast<size_t>(r) * k + j] = codeword[kLength - p + r];
    }
    encoder_ = LinearMap(p, k, generator_);

    check(veksRSDecodeGetSize_8u(kLength, kLength - p, &size), "veksRSDecodeGetSize_8u");
    decoder_.resize(static_cast<size_t>(size));
    check(veksRSDecodeInit_8u(kLength, kLength - p, field, kFirstRoot,
                              reinterpret_cast<VeksRSDecodeSpec_8u*>(decoder_.data())),
          "veksRSDecodeInit_8u");
}

StripeCode::~StripeCode() = default;

void StripeCode::encode(const uint8_t* const* data, uint8_t* const* parity, size_t len) const {
    encoder_.apply(data, parity, len);
}

bool StripeCode::erasureMap(std::span<const int> lost, std::span<const int> use, LinearMap& map) const {
    const Gf256& gf = Gf256::instance();
    const int e = static_cast<int>(lost.size());
    if (static_cast<int>(use.size()) != e) return false;
    // a = generator rows `use`, columns `lost`; invert it (Gauss-Jordan).
    std::vector<uint8_t> a(static_cast<size_t>(e) * e), inv(static_cast<size_t>(e) * e, 0);
    for (int i = 0; i < e; ++i) {
        for (int l = 0; l < e; ++l) a[i * e + l] = generator(use[i], lost[l]);
        inv[i * e + i] = 1;
    }
    for (int col = 0; col < e; ++col) {
        int pivot = col;
        while (pivot < e && a[pivot * e + col] == 0) ++pivot;
        if (pivot == e) return false;
        for (int x = 0; x < e; ++x) {
            std::swap(a[col * e + x], a[pivot * e + x]);
            std::swap(inv[col * e + x], inv[pivot * e + x]);
        }
        const uint8_t s = gf.inv(a[col * e + col]);
        for (int x = 0; x < e; ++x) {
            a[col * e + x] = gf.mul(a[col * e + x], s);
            inv[col * e + x] = gf.mul(inv[col * e + x], s);
        }
        for (int row = 0; row < e; ++row) {
            const uint8_t f = a[row * e + col];
            if (row == col || f == 0) continue;
            for (int x = 0; x < e; ++x) {
                a[row * e + x] ^= gf.mul(f, a[col * e + x]);
                inv[row * e + x] ^= gf.mul(f, inv[col * e + x]);
            }
        }
    }
    // lost = inv * (parity[use] + generator[use][known] * known data)
    const int inputs = k_ + e;
    std::vector<uint8_t> coef(static_cast<size_t>(e) * inputs, 0);
    std::vector<bool> isLost(static_cast<size_t>(k_), false);
    for (int l : lost) isLost[static_cast<size_t>(l)] = true;
    for (int l = 0; l < e; ++l) {
        for (int j = 0; j < k_; ++j) {
            if (isLost[static_cast<size_t>(j)]) continue;
            uint8_t c = 0;
            for (int i = 0; i < e; ++i) c ^= gf.mul(inv[l * e + i], generator(use[i], j));
            coef[static_cast<size_t>(l) * inputs + j] = c;
        }
        for (int i = 0; i < e; ++i) coef[static_cast<size_t>(l) * inputs + k_ + i] = inv[l * e + i];
    }
    map = LinearMap(e, inputs, coef);
    return true;
}

size_t StripeCode::decodeScratchSize() const {
    int size = 0;
    check(veksRSDecodeBMGetBufferSize_8u(reinterpret_cast<const VeksRSDecodeSpec_8u*>(decoder_.data()), &size),
          "veksRSDecodeBMGetBufferSize_8u");
    return kBufferOffset + static_cast<size_t>(size);
}

bool StripeCode::decodeWord(uint8_t* word, std::span<const int> erasures, std::vector<int>& changed,
                            uint8_t* scratch) const {
    // scratch: the shifted erasure list, the full-length word, the decoder's buffer.
    int* positions = reinterpret_cast<int*>(scratch);
    uint8_t* full = scratch + kWordOffset;
    uint8_t* buffer = scratch + kBufferOffset;
    std::memset(full, 0, static_cast<size_t>(pad_));
    std::memcpy(full + pad_, word, static_cast<size_t>(k_ + p_));
    const int count = static_cast<int>(erasures.size());
    for (int i = 0; i < count; ++i) positions[i] = erasures[static_cast<size_t>(i)] + pad_;
    const VekStatus st = veksRSDecodeBM_8u(count ? positions : nullptr, count, full,
                                           reinterpret_cast<const VeksRSDecodeSpec_8u*>(decoder_.data()), buffer);
    if (st != StatusOk) return false;
    // A solution that changes a padding symbol is not a word of this code.
    for (int i = 0; i < pad_; ++i)
        if (full[i] != 0) return false;
    changed.clear();
    for (int i = 0; i < k_ + p_; ++i) {
        if (full[pad_ + i] != word[i]) {
            changed.push_back(i);
            word[i] = full[pad_ + i];
        }
    }
    return true;
}

} // namespace vekdi::tool
