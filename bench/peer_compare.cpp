// SPDX-License-Identifier: Apache-2.0
// Side-by-side throughput of this library and libfec on identical inputs in
// one process: RS(255,223) and RS(255,239) over GF(256)/0x11D, first root
// alpha, data first (libfec: init_rs_char(8, 0x11d, 1, 1, r, 0)). Prints
// nanoseconds per codeword and the speed-up over libfec. Both libraries'
// outputs are checked against each other before timing. The small fields
// GF(2^2) ... GF(2^7) follow: one full-length code each over a primitive
// polynomial, decoded by both decoders (libfec: init_rs_char(m, poly, 1, 1,
// r, 0)). An argument limits the run to the rows whose name contains it (for
// example "16 errors" or "GF(2^5)").
#include <ctime>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "bench/bench_code.h"
#include "rs/decode/drivers.h"
#include "rs/decode/arith_fast.h"
#include "rs/encode/shift_register.h"
#include "rs/tower/kernels.h"

extern "C" {
#include <fec.h>
}

namespace vekdi::bench {
namespace {

// CPU time of this thread in seconds (other processes on the machine do not count).
double threadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Nanoseconds of CPU time per call of f(i), i cycling over the samples,
// measured for at least `seconds`, best of three rounds.
double timePerCall(const std::function<void(size_t)>& f, double seconds = 0.25) {
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

bool wanted(const std::string& name) { return gFilter.empty() || name.find(gFilter) != std::string::npos; }

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

}  // namespace
}  // namespace vekdi::bench

// Usage: vekdi_peer_compare [TEXT] -- only the rows whose name contains TEXT.
int main(int argc, char** argv) {
    if (argc > 1) vekdi::bench::gFilter = argv[1];
    std::vector<vekdi::bench::Row> rows;
    std::printf("vector variant: %s\n", vekdi::tower::towerActive().name);
    if (!vekdi::bench::run(223, &rows) || !vekdi::bench::run(239, &rows) || !vekdi::bench::runSmallFields(&rows))
        return 1;
    std::printf("%-48s %12s %12s %9s\n", "case", "vekdi ns", "libfec ns", "speed-up");
    for (const auto& row : rows)
        std::printf("%-48s %12.0f %12.0f %8.1fx\n", row.name.c_str(), row.ours, row.peer, row.peer / row.ours);
    return 0;
}
