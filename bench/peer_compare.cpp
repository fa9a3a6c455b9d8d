// SPDX-License-Identifier: Apache-2.0
// Side-by-side throughput of this library and libfec on identical inputs in
// one process: RS(255,223) and RS(255,239) over GF(256)/0x11D, first root
// alpha, data first (libfec: init_rs_char(8, 0x11d, 1, 1, r, 0)). Prints
// nanoseconds per codeword and the speed-up over the peer. Both libraries'
// outputs are checked against each other before timing. Where ISA-L is
// installed, its erasure-code encoder is set up to compute the same parity
// and compared per k bytes of data. The small fields GF(2^2) ... GF(2^7)
// follow: one full-length code each over a primitive polynomial, decoded by
// both decoders (libfec: init_rs_char(m, poly, 1, 1, r, 0)). An argument
// limits the run to the rows whose name contains it (for example
// "16 errors" or "GF(2^5)"; alternatives separated by '|').
//
// Then codes of every shape (shortened, fcr 0, root step, small fields),
// each encoded and decoded with (n - k) / 2 errors through libvekdi-fec
// (loaded beside libfec) and through vekRsEncode / vekRsDecode of
// vekdi-codes; and batches of 10^4 words of DVB RS(204,188) and CCSDS
// RS(255,223) through vekRsEncodeBlocks / vekRsDecodeBlocks against
// libfec's loop, then through vekdi.hpp's encodeBlocks / decodeBlocks against
// its own one-word loop (encode / decode), ns per word, with our payload rate
// in Gbit/s.
#include <dlfcn.h>
#include <vekdi.hpp>
#include <vekdi_codes.h>
#include <vekdi.hpp>

#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "bench/bench_code.h"
#include "rs/decode/drivers.h"
#include "rs/decode/arith_tower.h"
#include "rs/encode/parity_tower.h"
#include "rs/encode/shift_register.h"
#include "simd/tower/kernels.h"

extern "C" {
#include <fec.h>
}
#if defined(VEKDI_HAVE_ISAL)
#include <isa-l/erasure_code.h>
#endif

namespace vekdi::bench {
namespace {

// CPU time of this thread in seconds (other processes on the machine do not count).
double threadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Seconds each round of a row measures: 0.25, or VEKDI_BENCH_SECONDS (a
// shorter time for many interleaved runs, bench/compare_builds.py).
double roundSeconds() {
    static const double seconds = [] {
        const char* env = std::getenv("VEKDI_BENCH_SECONDS");
        const double s = env ? std::atof(env) : 0.0;
        return s > 0 ? s : 0.25;
    }();
    return seconds;
}

// Nanoseconds of CPU time per call of f(i), i cycling over the samples,
// measured for at least `seconds`, best of three rounds.
double timePerCall(const std::function<void(size_t)>& f, double seconds = roundSeconds()) {
    double best = 1e30;
    for (int round = 0; round < 3; ++round) {
        long calls = 0;
        const double start = threadSeconds();
        double elapsed = 0;
        do {
            for (int j = 0; j < 256; ++j) f(size_t(calls++));
            elapsed = threadSeconds() - start;
        } while (elapsed < seconds);
        best = std::min(best, elapsed * 1e9 / double(calls));
    }
    return best;
}

struct Row {
    std::string name;
    double ours, peer;
};

// Rows whose name contains this text are timed (all when empty): the
// program's first argument.
std::string gFilter;

bool wanted(const std::string& name) {
    if (gFilter.empty()) return true;
    for (size_t from = 0;;) {  // alternatives separated by '|'
        const size_t bar = gFilter.find('|', from);
        if (name.find(gFilter.substr(from, bar == std::string::npos ? bar : bar - from)) != std::string::npos)
            return true;
        if (bar == std::string::npos) return false;
        from = bar + 1;
    }
}

// The peer's side of one scenario, timed once, when a first wanted row needs it.
struct Peer {
    std::function<void(size_t)> call;
    double ns = -1;
    double time() { return ns >= 0 ? ns : (ns = timePerCall(call)); }
};

// Times a row if it is wanted.
void addRow(std::vector<Row>* rows, const std::string& name, const std::function<void(size_t)>& ours, Peer& peer) {
    if (wanted(name)) rows->push_back({name, timePerCall(ours), peer.time()});
}

#if defined(VEKDI_HAVE_ISAL)
// ISA-L encodes k source buffers into r parity buffers with a coefficient
// matrix. The parity of a systematic code is a linear map of the message, so
// its matrix is read off our encoder (column j: the parity of the j-th unit
// message) and both sides encode the same bytes: codeword t of ours is byte t
// of every ISA-L buffer. Reported per k bytes of data (one codeword).
bool isalRow(BenchCode& code, const std::string& prefix, std::vector<Row>* rows) {
    const std::string name = prefix + "encode vs ISA-L ec_encode_data (per codeword of data)";
    if (!wanted(name)) return true;
    const int k = code.k(), r = 255 - k;
    constexpr int kWords = 4096;
    const size_t kBytes = size_t(k), rBytes = size_t(r);
    std::vector<uint8_t> matrix(rBytes * kBytes), unit(kBytes), word(255);
    for (int j = 0; j < k; ++j) {
        std::fill(unit.begin(), unit.end(), 0);
        unit[size_t(j)] = 1;
        veksRSEncode_8u(unit.data(), word.data(), code.encoder(), code.encodeBuffer());
        for (int i = 0; i < r; ++i) matrix[size_t(i * k + j)] = word[size_t(k + i)];
    }
    std::vector<uint8_t> tables(size_t(32 * k * r));
    ec_init_tables(k, r, matrix.data(), tables.data());

    const auto messages = code.messages(9);
    std::vector<uint8_t> source(kBytes * kWords), parity(rBytes * kWords), ours(size_t{255} * kWords);
    std::vector<uint8_t*> sources(kBytes), parities(rBytes);
    for (int j = 0; j < k; ++j) sources[size_t(j)] = source.data() + size_t(j) * kWords;
    for (int i = 0; i < r; ++i) parities[size_t(i)] = parity.data() + size_t(i) * kWords;
    std::vector<uint8_t> message(kBytes * kWords);
    for (int t = 0; t < kWords; ++t)
        for (int j = 0; j < k; ++j) {
            const uint8_t b = messages[size_t(t) % messages.size()][size_t(j)] ^ uint8_t(t * 7 + j);
            message[size_t(t) * size_t(k) + size_t(j)] = b;
            sources[size_t(j)][t] = b;
        }
    auto encodeOurs = [&](size_t) {
        for (int t = 0; t < kWords; ++t)
            veksRSEncode_8u(message.data() + size_t(t) * size_t(k), ours.data() + size_t(t) * 255, code.encoder(),
                            code.encodeBuffer());
    };
    auto encodeIsal = [&](size_t) { ec_encode_data(kWords, k, r, tables.data(), sources.data(), parities.data()); };
    encodeOurs(0);
    encodeIsal(0);
    for (int t = 0; t < kWords; ++t)
        for (int i = 0; i < r; ++i)
            if (ours[size_t(t) * 255 + size_t(k + i)] != parities[size_t(i)][t]) {
                std::printf("ISA-L and our encoder disagree\n");
                return false;
            }
    rows->push_back({name, timePerCall(encodeOurs) / kWords, timePerCall(encodeIsal) / kWords});
    return true;
}
#endif

bool run(int k, std::vector<Row>* rows) {
    const int r = 255 - k;
    BenchCode code(k);
    void* fec = init_rs_char(8, 0x11d, 1, 1, r, 0);
    if (fec == nullptr) return false;
    const std::string prefix = "RS(255," + std::to_string(k) + ") ";

    // Encoding: the parity bytes must agree.
    const auto messages = code.messages(5);
    uint8_t logs[255];
    uint8_t ours[255], peer[255];
    for (const auto& m : messages) {
        veksRSEncode_8u(m.data(), ours, code.encoder(), code.encodeBuffer());
        std::memcpy(peer, m.data(), size_t(k));
        encode_rs_char(fec, peer, peer + k);
        if (std::memcmp(ours, peer, 255) != 0) {
            std::printf("encoders disagree\n");
            return false;
        }
    }
    Peer peerEncode{[&](size_t i) {
        const auto& m = messages[i % messages.size()];
        std::memcpy(peer, m.data(), size_t(k));
        encode_rs_char(fec, peer, peer + k);
    }};
    addRow(rows, prefix + "encode",
           [&](size_t i) {
               veksRSEncode_8u(messages[i % messages.size()].data(), ours, code.encoder(), code.encodeBuffer());
           },
           peerEncode);
    // The parity kernel of every variant this machine runs.
    for (const tower::TowerKernels* v : tower::towerVariants()) {
        if (!tower::towerSupported(*v) || v->encodeParity == nullptr) continue;
        addRow(rows, prefix + "encode/" + v->name,
               [&, v](size_t i) { rsEncodeParityTower(ours, messages[i % messages.size()].data(), code.encoder(), *v); },
               peerEncode);
    }
#if defined(VEKDI_HAVE_ISAL)
    if (!isalRow(code, prefix, rows)) return false;
#endif
    // The shift register of machines without a vector parity kernel.
    addRow(rows, prefix + "encode/shift register",
           [&](size_t i) { rsShiftRegisterParity(ours, logs, messages[i % messages.size()].data(), code.encoder()); },
           peerEncode);

    const Errata loads[] = {{0, 0}, {r / 2, 0}, {0, r}, {r / 4, r / 2}};
    for (const Errata e : loads) {
        const auto samples = code.samples(e, 77);
        int eras[256];
        for (const Sample& s : samples) {  // both must restore the same codeword
            std::memcpy(ours, s.word.data(), 255);
            std::memcpy(peer, s.word.data(), 255);
            std::copy(s.erasures.begin(), s.erasures.end(), eras);
            const VekStatus st = veksRSDecodeBM_8u(s.erasures.data(), int(s.erasures.size()), ours, code.decoder(),
                                                   code.decodeBuffer());
            const int fixed = decode_rs_char(fec, peer, eras, int(s.erasures.size()));
            if (st != StatusOk || fixed < 0 || std::memcmp(ours, peer, 255) != 0) {
                std::printf("decoders disagree\n");
                return false;
            }
        }
        char label[64];
        std::snprintf(label, sizeof label, "decode %d errors + %d erasures", e.errors, e.erasures);
        auto ourDecode = [&](auto decode) {
            return [&, decode](size_t i) {
                const Sample& s = samples[i % samples.size()];
                std::memcpy(ours, s.word.data(), 255);
                decode(s.erasures.data(), int(s.erasures.size()), ours, code.decoder(), code.decodeBuffer());
            };
        };
        const std::string name = prefix + label;
        Peer peerDecode{[&](size_t i) {
            const Sample& s = samples[i % samples.size()];
            std::memcpy(peer, s.word.data(), 255);
            std::copy(s.erasures.begin(), s.erasures.end(), eras);
            decode_rs_char(fec, peer, eras, int(s.erasures.size()));
        }};
        addRow(rows, name + " BM", ourDecode(veksRSDecodeBM_8u), peerDecode);
        addRow(rows, name + " EE", ourDecode(veksRSDecodeEE_8u), peerDecode);
        // Berlekamp-Massey in every variant this machine runs, and the generic path.
        const RSDecoder h = code.header();
        for (const tower::TowerKernels* v : tower::towerVariants()) {
            if (!tower::towerSupported(*v)) continue;
            addRow(rows, name + " BM/" + v->name, ourDecode([&h, v](const int* l, int c, uint8_t* w, const void*, uint8_t* b) {
                       return rsDecodeBMFastWith(l, c, w, &h, b, *v);
                   }),
                   peerDecode);
        }
        addRow(rows, name + " BM/generic", ourDecode([&h](const int* l, int c, uint8_t* w, const void*, uint8_t* b) {
                   return rsDecodeBMGeneric(l, c, w, &h, b);
               }),
               peerDecode);
    }
    free_rs_char(fec);
    return true;
}

// RS(2^m - 1, k) over GF(2^m)/poly with `errors` random errors per word.
bool runSmall(int m, uint32_t poly, int k, int errors, std::vector<Row>* rows) {
    const int n = (1 << m) - 1;
    const int r = n - k;
    const std::string name = "GF(2^" + std::to_string(m) + ") RS(" + std::to_string(n) + "," + std::to_string(k) +
                             ") decode " + std::to_string(errors) + (errors == 1 ? " error" : " errors");
    if (!wanted(name + " BM") && !wanted(name + " EE")) return true;
    BenchCode code(k, m, poly);
    void* fec = init_rs_char(m, int(poly), 1, 1, r, 0);
    if (fec == nullptr) return false;
    const auto samples = code.samples({errors, 0}, 77);
    uint8_t ours[255], peer[255];
    for (const Sample& s : samples) {  // both decoders must restore what libfec restores
        for (auto decode : {veksRSDecodeBM_8u, veksRSDecodeEE_8u}) {
            std::memcpy(ours, s.word.data(), size_t(n));
            std::memcpy(peer, s.word.data(), size_t(n));
            const VekStatus st = decode(nullptr, 0, ours, code.decoder(), code.decodeBuffer());
            const int fixed = decode_rs_char(fec, peer, nullptr, 0);
            if (st != StatusOk || fixed != errors || std::memcmp(ours, peer, size_t(n)) != 0) {
                std::printf("decoders disagree on %s\n", name.c_str());
                return false;
            }
        }
    }
    auto ourDecode = [&](auto decode) {
        return [&, decode](size_t i) {
            std::memcpy(ours, samples[i % samples.size()].word.data(), size_t(n));
            decode(nullptr, 0, ours, code.decoder(), code.decodeBuffer());
        };
    };
    Peer peerDecode{[&](size_t i) {
        std::memcpy(peer, samples[i % samples.size()].word.data(), size_t(n));
        decode_rs_char(fec, peer, nullptr, 0);
    }};
    addRow(rows, name + " BM", ourDecode(veksRSDecodeBM_8u), peerDecode);
    addRow(rows, name + " EE", ourDecode(veksRSDecodeEE_8u), peerDecode);
    free_rs_char(fec);
    return true;
}

bool runSmallFields(std::vector<Row>* rows) {
    return runSmall(2, 0x7, 1, 1, rows) && runSmall(3, 0xB, 3, 2, rows) && runSmall(4, 0x13, 11, 2, rows) &&
           runSmall(5, 0x25, 23, 4, rows) && runSmall(6, 0x43, 55, 4, rows) && runSmall(7, 0x89, 111, 8, rows);
}

// ---- Any code through libfec's interface and the C functions ------------------
#if defined(VEKDI_FEC_LIBRARY)

// libvekdi-fec exports libfec's names, so it is loaded beside libfec with
// its own symbol scope.
struct FecApi {
    void* (*init)(int, int, int, int, int, int) = nullptr;
    void (*release)(void*) = nullptr;
    void (*encode)(void*, unsigned char*, unsigned char*) = nullptr;
    int (*decode)(void*, unsigned char*, int*, int) = nullptr;
};

const FecApi* vekdiFec() {
    static FecApi api;
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        void* lib = dlopen(VEKDI_FEC_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (lib == nullptr) {
            std::printf("cannot load %s: no libvekdi-fec rows\n", VEKDI_FEC_LIBRARY);
            return nullptr;
        }
        api.init = reinterpret_cast<void* (*)(int, int, int, int, int, int)>(dlsym(lib, "init_rs_char"));
        api.release = reinterpret_cast<void (*)(void*)>(dlsym(lib, "free_rs_char"));
        api.encode = reinterpret_cast<void (*)(void*, unsigned char*, unsigned char*)>(dlsym(lib, "encode_rs_char"));
        api.decode = reinterpret_cast<int (*)(void*, unsigned char*, int*, int)>(dlsym(lib, "decode_rs_char"));
    }
    return api.init ? &api : nullptr;
}

struct FecParams {
    const char* name;
    int symsize, gfpoly, fcr, prim, nroots, pad;
};

// One code: encode and decode with (n - k) / 2 errors per word through
// libvekdi-fec and through vekRsEncode / vekRsDecode, against libfec.
bool runFecCode(const FecParams& p, std::vector<Row>* rows) {
    const std::string prefix = std::string(p.name) + " ";
    const std::string errors = std::to_string(p.nroots / 2) + (p.nroots / 2 == 1 ? " error" : " errors");
    bool any = false;
    for (const char* layer : {"libvekdi-fec", "vekRsEncode", "vekdi::ReedSolomon"})
        any = any || wanted(prefix + "encode, " + layer);
    for (const char* layer : {"libvekdi-fec", "vekRsDecode", "vekdi::ReedSolomon"})
        any = any || wanted(prefix + "decode " + errors + ", " + layer);
    if (!any) return true;
    const FecApi* api = vekdiFec();
    if (api == nullptr) return true;
    const int nn = (1 << p.symsize) - 1, n = nn - p.pad, k = n - p.nroots, t = p.nroots / 2;
    void* theirs = init_rs_char(p.symsize, p.gfpoly, p.fcr, p.prim, p.nroots, p.pad);
    void* ours = api->init(p.symsize, p.gfpoly, p.fcr, p.prim, p.nroots, p.pad);
    const VekRsCodeOptions options{unsigned(p.gfpoly), p.fcr, p.prim, 0, 0};
    VekRsCode* code = nullptr;
    if (theirs == nullptr || ours == nullptr || vekRsCodeCreate(n, k, &options, &code) != VekCodesOk) {
        std::printf("%s: a code could not be made\n", p.name);
        return false;
    }
    constexpr int kSamples = 64;
    std::vector<std::vector<uint8_t>> words(kSamples), damaged(kSamples);
    uint32_t seed = 7;
    auto next = [&seed](uint32_t bound) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % bound;
    };
    for (int w = 0; w < kSamples; ++w) {
        std::vector<uint8_t> word(static_cast<size_t>(n)), check;
        for (int i = 0; i < k; ++i) word[size_t(i)] = uint8_t(next(uint32_t(nn) + 1));
        check = word;
        encode_rs_char(theirs, word.data(), word.data() + k);
        api->encode(ours, check.data(), check.data() + k);
        if (check != word) {
            std::printf("%s: parity differs from libfec\n", p.name);
            return false;
        }
        words[size_t(w)] = word;
        std::vector<bool> hit(static_cast<size_t>(n));
        for (int e = 0; e < t;) {
            const uint32_t pos = next(uint32_t(n));
            if (hit[pos]) continue;
            hit[pos] = true;
            word[pos] ^= uint8_t(1 + next(uint32_t(nn)));
            ++e;
        }
        damaged[size_t(w)] = word;
        std::vector<uint8_t> a = word, b = word;
        int posA[256], posB[256];
        if (decode_rs_char(theirs, a.data(), posA, 0) != t || api->decode(ours, b.data(), posB, 0) != t || a != b ||
            a != words[size_t(w)]) {
            std::printf("%s: decoders disagree\n", p.name);
            return false;
        }
    }
    uint8_t buffer[256];
    int positions[256];
    VekRsReport report;
    Peer encodePeer{[&](size_t i) {
        std::memcpy(buffer, words[i % kSamples].data(), size_t(k));
        encode_rs_char(theirs, buffer, buffer + k);
    }};
    addRow(rows, prefix + "encode, libvekdi-fec", [&](size_t i) {
        std::memcpy(buffer, words[i % kSamples].data(), size_t(k));
        api->encode(ours, buffer, buffer + k);
    }, encodePeer);
    addRow(rows, prefix + "encode, vekRsEncode", [&](size_t i) {
        vekRsEncode(code, words[i % kSamples].data(), buffer);
    }, encodePeer);
    const vekdi::ReedSolomon cpp(n, k, vekdi::CodeOptions{unsigned(p.gfpoly), p.fcr, p.prim, 0, false});
    addRow(rows, prefix + "encode, vekdi::ReedSolomon", [&](size_t i) {
        cpp.encode(std::span<const uint8_t>(words[i % kSamples].data(), size_t(k)), std::span<uint8_t>(buffer, size_t(n)));
    }, encodePeer);
    Peer decodePeer{[&](size_t i) {
        std::memcpy(buffer, damaged[i % kSamples].data(), size_t(n));
        decode_rs_char(theirs, buffer, positions, 0);
    }};
    addRow(rows, prefix + "decode " + errors + ", libvekdi-fec", [&](size_t i) {
        std::memcpy(buffer, damaged[i % kSamples].data(), size_t(n));
        api->decode(ours, buffer, positions, 0);
    }, decodePeer);
    addRow(rows, prefix + "decode " + errors + ", vekRsDecode", [&](size_t i) {
        std::memcpy(buffer, damaged[i % kSamples].data(), size_t(n));
        vekRsDecode(code, buffer, nullptr, 0, VekRsBerlekampMassey, &report);
    }, decodePeer);
    vekdi::DecodeResult result;
    addRow(rows, prefix + "decode " + errors + ", vekdi::ReedSolomon", [&](size_t i) {
        std::memcpy(buffer, damaged[i % kSamples].data(), size_t(n));
        cpp.decode(std::span<uint8_t>(buffer, size_t(n)), result);
    }, decodePeer);
    vekRsCodeDestroy(code);
    api->release(ours);
    free_rs_char(theirs);
    return true;
}

bool runFecCodes(std::vector<Row>* rows) {
    static const FecParams codes[] = {
        {"RS(12,8)", 8, 0x11D, 1, 1, 4, 243},
        {"RS(20,18)", 8, 0x11D, 1, 1, 2, 235},
        {"RS(255,253)", 8, 0x11D, 1, 1, 2, 0},
        {"RS(255,251)", 8, 0x11D, 1, 1, 4, 0},
        {"DVB RS(204,188)", 8, 0x11D, 0, 1, 16, 51},
        {"CCSDS RS(223,191)", 8, 0x187, 112, 11, 32, 32},
        {"GF(16) RS(15,11)", 4, 0x13, 1, 1, 4, 0},
        {"GF(32) RS(31,23)", 5, 0x25, 1, 1, 8, 0},
        {"GF(64) RS(63,55)", 6, 0x43, 1, 1, 8, 0},
        {"GF(128) RS(127,111)", 7, 0x89, 1, 1, 16, 0},
    };
    for (const FecParams& p : codes)
        if (!runFecCode(p, rows)) return false;
    return true;
}

// 10^4 codewords laid end to end: vekRsEncodeBlocks / vekRsDecodeBlocks
// against libfec's one-word loop (clean words, and 8 errors per word).
#else
bool runFecCodes(std::vector<Row>*) {
    std::printf("libvekdi-fec not built: no rows for it\n");
    return true;
}
#endif

bool runBatch(const char* name, int gfpoly, int fcr, int prim, int dual, int n, int k, std::vector<Row>* rows) {
    const std::string prefix = std::string(name) + " batch of 10^4 ";
    if (!wanted(prefix)) return true;
    constexpr size_t kWords = 10000;
    const int r = n - k;
    void* theirs = init_rs_char(8, gfpoly, fcr, prim, r, 255 - n);
    const VekRsCodeOptions options{unsigned(gfpoly), fcr, prim, 0, dual};
    VekRsCode* code = nullptr;
    if (theirs == nullptr || vekRsCodeCreate(n, k, &options, &code) != VekCodesOk) return false;
    std::vector<uint8_t> messages(kWords * size_t(k)), clean(kWords * size_t(n)), work(clean.size()), noisy;
    uint32_t seed = 11;
    for (auto& b : messages) b = uint8_t((seed = seed * 1664525u + 1013904223u) >> 24);
    vekRsEncodeBlocks(code, messages.data(), clean.data(), kWords);
    noisy = clean;
    for (size_t w = 0; w < kWords; ++w)
        for (int e = 0; e < 8; ++e) noisy[w * size_t(n) + size_t((w * 37 + size_t(e) * 13) % size_t(n))] ^= uint8_t(1 + e);
    if (!dual) {
        std::vector<uint8_t> word(static_cast<size_t>(n));
        for (size_t w = 0; w < 50; ++w) {
            std::memcpy(word.data(), messages.data() + w * size_t(k), size_t(k));
            encode_rs_char(theirs, word.data(), word.data() + k);
            if (std::memcmp(word.data(), clean.data() + w * size_t(n), size_t(n)) != 0) return false;
        }
    }
    const double mbits = double(kWords) * double(k) * 8.0;
    // A batch call is long enough to be timed alone: best of five.
    auto perWord = [&](const std::function<void(size_t)>& f) {
        double best = 1e30;
        for (int round = 0; round < 5; ++round) {
            const double start = threadSeconds();
            f(0);
            best = std::min(best, (threadSeconds() - start) * 1e9);
        }
        return best;
    };
    auto gbits = [&](double ns) { return mbits / ns; };  // payload bits per ns = Gbit/s
    auto add = [&](const std::string& what, const std::function<void(size_t)>& ours,
                   const std::function<void(size_t)>& peer) {
        if (!wanted(prefix + what)) return;
        const double o = perWord(ours), p = perWord(peer);
        rows->push_back({prefix + what + " (" + std::to_string(gbits(o)).substr(0, 5) + " Gbit/s)", o / kWords,
                         p / kWords});
    };
    add("encode", [&](size_t) { vekRsEncodeBlocks(code, messages.data(), work.data(), kWords); },
        [&](size_t) {
            for (size_t w = 0; w < kWords; ++w) {
                uint8_t* word = work.data() + w * size_t(n);
                std::memcpy(word, messages.data() + w * size_t(k), size_t(k));
                encode_rs_char(theirs, word, word + k);
            }
        });
    add("decode clean", [&](size_t) {
            std::memcpy(work.data(), clean.data(), clean.size());
            vekRsDecodeBlocks(code, work.data(), kWords, nullptr, nullptr, 0, nullptr, nullptr);
        },
        [&](size_t) {
            std::memcpy(work.data(), clean.data(), clean.size());
            for (size_t w = 0; w < kWords; ++w) decode_rs_char(theirs, work.data() + w * size_t(n), nullptr, 0);
        });
    add("decode 8 errors", [&](size_t) {
            std::memcpy(work.data(), noisy.data(), noisy.size());
            vekRsDecodeBlocks(code, work.data(), kWords, nullptr, nullptr, 0, nullptr, nullptr);
        },
        [&](size_t) {
            std::memcpy(work.data(), noisy.data(), noisy.size());
            for (size_t w = 0; w < kWords; ++w) decode_rs_char(theirs, work.data() + w * size_t(n), nullptr, 0);
        });
    // The C++ interface: batches against its own one-word loop.
    const vekdi::ReedSolomon cpp(n, k, vekdi::CodeOptions{unsigned(gfpoly), fcr, prim, 0, dual != 0});
    const std::span<const uint8_t> msgs(messages);
    add("C++ encodeBlocks (peer: C++ word loop)",
        [&](size_t) { cpp.encodeBlocks(msgs, work); },
        [&](size_t) {
            for (size_t w = 0; w < kWords; ++w)
                cpp.encode(msgs.subspan(w * size_t(k), size_t(k)), std::span(work).subspan(w * size_t(n), size_t(n)));
        });
    for (const auto& [what, source] : {std::pair{"clean", &clean}, std::pair{"8 errors", &noisy}}) {
        add(std::string("C++ decodeBlocks ") + what + " (peer: C++ word loop)",
            [&](size_t) {
                std::memcpy(work.data(), source->data(), source->size());
                cpp.decodeBlocks(work);
            },
            [&](size_t) {
                std::memcpy(work.data(), source->data(), source->size());
                for (size_t w = 0; w < kWords; ++w) cpp.decode(std::span(work).subspan(w * size_t(n), size_t(n)));
            });
    }
    vekRsCodeDestroy(code);
    free_rs_char(theirs);
    return true;
}

}  // namespace
}  // namespace vekdi::bench

// Usage: vekdi_peer_compare [TEXT] -- only the rows whose name contains TEXT (or one of A|B|...).
int main(int argc, char** argv) {
    if (argc > 1) vekdi::bench::gFilter = argv[1];
    std::vector<vekdi::bench::Row> rows;
    std::printf("vector variant: %s\n", vekdi::tower::towerActive().name);
    if (!vekdi::bench::run(223, &rows) || !vekdi::bench::run(239, &rows) || !vekdi::bench::runSmallFields(&rows) ||
        !vekdi::bench::runFecCodes(&rows) ||
        !vekdi::bench::runBatch("DVB RS(204,188)", 0x11D, 0, 1, 0, 204, 188, &rows) ||
        !vekdi::bench::runBatch("CCSDS RS(255,223)", 0x187, 112, 11, 1, 255, 223, &rows))
        return 1;
#if !defined(VEKDI_HAVE_ISAL)
    std::printf("ISA-L not found at build time: no ISA-L row\n");
#endif
    std::printf("%-72s %12s %12s %9s\n", "case (peer: libfec unless named)", "vekdi ns", "peer ns", "speed-up");
    for (const auto& row : rows)
        std::printf("%-72s %12.0f %12.0f %8.1fx\n", row.name.c_str(), row.ours, row.peer, row.peer / row.ours);
    return 0;
}
