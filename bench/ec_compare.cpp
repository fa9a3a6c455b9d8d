// SPDX-License-Identifier: Apache-2.0
// Erasure coding side by side in one process on one pinned core: this
// library, Debian's ISA-L, ISA-L loaded from --isal-upstream DIR (a build
// with its GFNI kernels: DIR/bin/libisal.so) and Jerasure, on the same
// buffers, for (4,2), (8,3), (10,4), (16,4) and (32,8) with 64 KiB shards
// used again and again (in cache) and with 1 MiB shards over a ring of at
// least 512 MiB (out of cache). Encode, and reconstruct of m lost data
// shards with a different random lost set each iteration (the decode matrix
// is built in every call). GB/s of data bytes (k x shard length per
// second of thread CPU time), the median of --runs runs (default 5) taken in
// turn from each library. The ceiling is a stream that reads the k inputs
// in 4 KiB tiles, XORs them with plain vector loads and stores and writes
// the result to each of the m outputs. Every library's output is checked
// against this library's before it is timed. vekdi and ISA-L use ISA-L's
// Cauchy matrix, Jerasure and this library's Jerasure column its
// Vandermonde matrix.
#include <dlfcn.h>
#include <sched.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "vekdi.hpp"

extern "C" {
#include <isa-l/erasure_code.h>
#include <jerasure.h>
#include <jerasure/reed_sol.h>
}

namespace {

double threadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// ISA-L's entry points, from the linked Debian library or a loaded upstream build.
struct IsalApi {
    void (*initTables)(int, int, unsigned char*, unsigned char*);
    void (*encodeData)(int, int, int, unsigned char*, unsigned char**, unsigned char**);
    void (*cauchy)(unsigned char*, int, int);
    int (*invert)(unsigned char*, unsigned char*, int);
};

bool loadUpstream(const std::string& dir, IsalApi& api) {
    const std::string path = dir + "/bin/libisal.so";
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND);
    if (h == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
        return false;
    }
    api.initTables = reinterpret_cast<decltype(api.initTables)>(dlsym(h, "ec_init_tables"));
    api.encodeData = reinterpret_cast<decltype(api.encodeData)>(dlsym(h, "ec_encode_data"));
    api.cauchy = reinterpret_cast<decltype(api.cauchy)>(dlsym(h, "gf_gen_cauchy1_matrix"));
    api.invert = reinterpret_cast<decltype(api.invert)>(dlsym(h, "gf_invert_matrix"));
    return api.initTables && api.encodeData && api.cauchy && api.invert;
}

// k data then m parity buffers of one stripe.
using Shards = std::vector<uint8_t*>;

struct Coder {
    std::string name;
    std::function<void(const Shards&, std::size_t)> encode;
    std::function<void(const Shards&, const std::vector<int>&, std::size_t)> reconstruct;  // lost data shards
    vekdi::Matrix matrix;
};

Coder vekdiCoder(int k, int m, vekdi::Matrix matrix, const char* name) {
    auto code = std::make_shared<vekdi::ErasureCode>(k, m, matrix);
    return {name,
            [code, k, m](const Shards& s, std::size_t len) {
                code->encode({const_cast<const uint8_t* const*>(s.data()), std::size_t(k)},
                             {s.data() + k, std::size_t(m)}, len);
            },
            [code, k, m](const Shards& s, const std::vector<int>& lost, std::size_t len) {
                code->reconstruct({s.data(), std::size_t(k + m)}, lost, len);
            },
            matrix};
}

Coder isalCoder(int k, int m, const IsalApi& api, const char* name) {
    struct State {
        std::vector<uint8_t> a, encodeTables, sub, inv, rows, tables;
    };
    auto st = std::make_shared<State>();
    st->a.resize(std::size_t(k + m) * k);
    api.cauchy(st->a.data(), k + m, k);
    st->encodeTables.resize(32u * k * m);
    api.initTables(k, m, st->a.data() + k * k, st->encodeTables.data());
    st->sub.resize(std::size_t(k) * k);
    st->inv.resize(std::size_t(k) * k);
    st->rows.resize(std::size_t(k) * m);
    st->tables.resize(32u * k * m);
    return {name,
            [st, api, k, m](const Shards& s, std::size_t len) {
                api.encodeData(int(len), k, m, st->encodeTables.data(), const_cast<unsigned char**>(s.data()),
                               const_cast<unsigned char**>(s.data() + k));
            },
            // ISA-L's own recipe: the survivors' rows, inverted, the lost rows of the inverse.
            [st, api, k, m](const Shards& s, const std::vector<int>& lost, std::size_t len) {
                bool isLost[256] = {};
                for (int l : lost) isLost[l] = true;
                unsigned char* in[256];
                unsigned char* out[256];
                int r = 0;
                for (int i = 0; i < k + m && r < k; ++i) {
                    if (isLost[i]) continue;
                    std::memcpy(st->sub.data() + r * k, st->a.data() + i * k, std::size_t(k));
                    in[r++] = s[std::size_t(i)];
                }
                if (api.invert(st->sub.data(), st->inv.data(), k) != 0) std::abort();
                for (std::size_t l = 0; l < lost.size(); ++l) {
                    std::memcpy(st->rows.data() + l * std::size_t(k), st->inv.data() + lost[l] * k, std::size_t(k));
                    out[l] = s[std::size_t(lost[l])];
                }
                api.initTables(k, int(lost.size()), st->rows.data(), st->tables.data());
                api.encodeData(int(len), k, int(lost.size()), st->tables.data(), in, out);
            },
            vekdi::Matrix::IsalCauchy};
}

Coder jerasureCoder(int k, int m) {
    std::shared_ptr<int> matrix(reed_sol_vandermonde_coding_matrix(k, m, 8), std::free);
    return {"jerasure",
            [matrix, k, m](const Shards& s, std::size_t len) {
                jerasure_matrix_encode(k, m, 8, matrix.get(), reinterpret_cast<char**>(const_cast<uint8_t**>(s.data())),
                                       reinterpret_cast<char**>(const_cast<uint8_t**>(s.data() + k)), int(len));
            },
            [matrix, k, m](const Shards& s, const std::vector<int>& lost, std::size_t len) {
                int erasures[257];
                std::size_t n = 0;
                for (int l : lost) erasures[n++] = l;
                erasures[n] = -1;
                jerasure_matrix_decode(k, m, 8, matrix.get(), 1, erasures,
                                       reinterpret_cast<char**>(const_cast<uint8_t**>(s.data())),
                                       reinterpret_cast<char**>(const_cast<uint8_t**>(s.data() + k)), int(len));
            },
            vekdi::Matrix::JerasureVandermonde};
}

// The ceiling: XOR of the k inputs per 4 KiB tile, written to each of the m outputs.
__attribute__((target_clones("avx512f", "avx2", "default"))) void xorStream(const Shards& s, int k, int m,
                                                                             std::size_t len) {
    typedef uint8_t V __attribute__((vector_size(64), aligned(1)));
    constexpr std::size_t kTile = 4096;
    alignas(64) V tile[kTile / 64];
    for (std::size_t t = 0; t < len; t += kTile) {
        const std::size_t n = std::min(kTile, len - t) / 64;
        const V* in0 = reinterpret_cast<const V*>(s[0] + t);
        for (std::size_t i = 0; i < n; ++i) tile[i] = in0[i];
        for (int j = 1; j < k; ++j) {
            const V* in = reinterpret_cast<const V*>(s[std::size_t(j)] + t);
            for (std::size_t i = 0; i < n; ++i) tile[i] ^= in[i];
        }
        for (int r = 0; r < m; ++r) {
            V* out = reinterpret_cast<V*>(s[std::size_t(k + r)] + t);
            for (std::size_t i = 0; i < n; ++i) out[i] = tile[i];
        }
    }
}

// Stripes of k data shards and two sets of m parity shards: the Cauchy
// matrix's and the Jerasure matrix's, so every coder reconstructs from its
// own parity, in place.
struct Ring {
    std::unique_ptr<uint8_t, decltype(&std::free)> memory{nullptr, std::free};
    std::vector<Shards> stripes[2];  // [0] data + Cauchy parity, [1] data + Jerasure parity
};

Ring makeRing(int k, int m, std::size_t shard, std::size_t minBytes, std::mt19937_64& rng) {
    const std::size_t stripeBytes = std::size_t(k + 2 * m) * shard;
    const std::size_t count = std::max<std::size_t>(1, (minBytes + stripeBytes - 1) / stripeBytes);
    Ring ring;
    ring.memory.reset(static_cast<uint8_t*>(std::aligned_alloc(4096, count * stripeBytes)));
    uint64_t* words = reinterpret_cast<uint64_t*>(ring.memory.get());
    for (std::size_t i = 0; i < count * stripeBytes / 8; ++i) words[i] = rng();
    for (std::size_t s = 0; s < count; ++s)
        for (int plane = 0; plane < 2; ++plane) {
            Shards sh;
            for (int i = 0; i < k + m; ++i) {
                const int at = i < k ? i : i + plane * m;
                sh.push_back(ring.memory.get() + s * stripeBytes + std::size_t(at) * shard);
            }
            ring.stripes[plane].push_back(sh);
        }
    return ring;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    std::string upstreamDir;
    int runs = 5;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--isal-upstream" && i + 1 < argc)
            upstreamDir = argv[++i];
        else if (a == "--runs" && i + 1 < argc)
            runs = std::max(5, std::atoi(argv[++i]));
        else if (a == "--only" && i + 1 < argc)
            only = argv[++i];
        else {
            std::fprintf(stderr, "usage: %s [--isal-upstream DIR] [--runs N>=5] [--only in|out]\n", argv[0]);
            return 2;
        }
    }
    // One core: the one we are on.
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(sched_getcpu(), &set);
    sched_setaffinity(0, sizeof set, &set);

    IsalApi debian{ec_init_tables, ec_encode_data, gf_gen_cauchy1_matrix, gf_invert_matrix};
    IsalApi upstream{};
    const bool haveUpstream = !upstreamDir.empty() && loadUpstream(upstreamDir, upstream);
    if (!upstreamDir.empty() && !haveUpstream) return 1;

    std::printf("vekdi kernels: %s; one core, median of %d runs, GB/s of data bytes (k x shard length)\n",
                vekdi::ErasureCode::kernelName(), runs);
    std::printf("%-7s %-6s %-11s %8s %8s %8s %9s %9s %9s | %9s %9s %9s\n", "(k,m)", "shard", "op", "vekdi", "isal2.30",
                upstreamDir.empty() ? "-" : "isal2.32", "jerasure", "vekdi-jer", "xor-ceil", "/isal2.30",
                "/isal2.32", "/ceiling");
    std::mt19937_64 rng(42);
    {
        // The decode matrix alone, at (10,4), four lost data shards, a new set each call.
        VekErasureCode* code = nullptr;
        vekErasureCodeCreate(10, 4, VekMatrixIsalCauchy, &code);
        std::vector<std::vector<int>> sets;
        for (int i = 0; i < 256; ++i) {
            std::vector<int> all = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
            std::shuffle(all.begin(), all.end(), rng);
            sets.emplace_back(all.begin(), all.begin() + 4);
        }
        int rows = 0, lostOut[4], survivors[10];
        uint8_t matrix[40];
        std::vector<double> us;
        for (int run = 0; run < runs; ++run) {
            const double start = threadSeconds();
            const int calls = 200000;
            for (int i = 0; i < calls; ++i)
                vekErasureCodeDecodeMatrix(code, sets[std::size_t(i) & 255].data(), 4, &rows, lostOut, survivors, matrix);
            us.push_back((threadSeconds() - start) / calls * 1e6);
        }
        vekErasureCodeDestroy(code);
        std::printf("decode matrix, (10,4), 4 lost data shards: %.3f us\n", median(us));
    }
    const std::pair<int, int> shapes[] = {{4, 2}, {8, 3}, {10, 4}, {16, 4}, {32, 8}};
    for (bool inCache : {true, false}) {
        if ((only == "in" && !inCache) || (only == "out" && inCache)) continue;
        const std::size_t shard = inCache ? 64 * 1024 : 1024 * 1024;
        for (auto [k, m] : shapes) {
            Ring ring = makeRing(k, m, shard, inCache ? 0 : std::size_t(512) << 20, rng);
            std::vector<Coder> coders = {vekdiCoder(k, m, vekdi::Matrix::IsalCauchy, "vekdi"),
                                         isalCoder(k, m, debian, "isal2.30")};
            if (haveUpstream) coders.push_back(isalCoder(k, m, upstream, "isal2.32"));
            coders.push_back(jerasureCoder(k, m));
            coders.push_back(vekdiCoder(k, m, vekdi::Matrix::JerasureVandermonde, "vekdi-jer"));

            // Identical output first: encode and one reconstruct against this library's.
            {
                const std::size_t len = shard;
                std::vector<std::vector<uint8_t>> want[2];
                for (const Coder& c : coders) {
                    const int which = c.matrix == vekdi::Matrix::IsalCauchy ? 0 : 1;
                    Shards& s = ring.stripes[which][0];
                    std::memset(s[std::size_t(k)], 0, len * std::size_t(m));
                    c.encode(s, len);
                    std::vector<std::vector<uint8_t>> got;
                    for (int r = 0; r < m; ++r) got.emplace_back(s[std::size_t(k + r)], s[std::size_t(k + r)] + len);
                    if (want[which].empty()) want[which] = got;
                    if (got != want[which]) {
                        std::fprintf(stderr, "(%d,%d) %s: encode differs\n", k, m, c.name.c_str());
                        return 1;
                    }
                    std::vector<uint8_t> data(s[0], s[0] + len * std::size_t(k));
                    std::vector<int> lost;
                    for (int l = 0; l < m; ++l) lost.push_back(l * (k / m));
                    for (int l : lost) std::memset(s[std::size_t(l)], 0, len);
                    c.reconstruct(s, lost, len);
                    if (std::memcmp(data.data(), s[0], data.size()) != 0) {
                        std::fprintf(stderr, "(%d,%d) %s: reconstruct differs\n", k, m, c.name.c_str());
                        return 1;
                    }
                }
            }
            // Both parities everywhere, for the reconstructs.
            for (const Shards& s : ring.stripes[0]) coders[0].encode(s, shard);
            for (const Shards& s : ring.stripes[1]) coders.back().encode(s, shard);
            const std::size_t stripes = ring.stripes[0].size();

            std::vector<std::vector<int>> lostSets;
            for (int i = 0; i < 64; ++i) {
                std::vector<int> all(std::size_t(k), 0);
                for (int j = 0; j < k; ++j) all[std::size_t(j)] = j;
                std::shuffle(all.begin(), all.end(), rng);
                lostSets.emplace_back(all.begin(), all.begin() + m);
            }
            // Iterations per run: about 256 MiB of data, and the whole ring at least once.
            const std::size_t dataBytes = std::size_t(k) * shard;
            const std::size_t iterations = std::max(stripes, (std::size_t(256) << 20) / dataBytes);

            for (int op = 0; op < 2; ++op) {
                std::vector<std::vector<double>> speeds(coders.size() + 1);
                for (int run = 0; run < runs; ++run)
                    for (std::size_t c = 0; c <= coders.size(); ++c) {
                        const bool ceiling = c == coders.size();
                        const int plane = !ceiling && coders[c].matrix != vekdi::Matrix::IsalCauchy ? 1 : 0;
                        const double start = threadSeconds();
                        for (std::size_t i = 0; i < iterations; ++i) {
                            const Shards& s = ring.stripes[plane][i % stripes];
                            if (ceiling)
                                xorStream(s, k, m, shard);
                            else if (op == 0)
                                coders[c].encode(s, shard);
                            else
                                coders[c].reconstruct(s, lostSets[i % lostSets.size()], shard);
                        }
                        const double seconds = threadSeconds() - start;
                        speeds[c].push_back(double(iterations * dataBytes) / seconds * 1e-9);
                    }
                auto med = [&](const std::string& name) {
                    for (std::size_t c = 0; c < coders.size(); ++c)
                        if (coders[c].name == name && !speeds[c].empty()) return median(speeds[c]);
                    return 0.0;
                };
                const double v = med("vekdi"), d = med("isal2.30"), u = med("isal2.32"), j = med("jerasure"),
                             vj = med("vekdi-jer"), x = median(speeds[coders.size()]);
                char shape[16];
                std::snprintf(shape, sizeof shape, "(%d,%d)", k, m);
                auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
                std::printf("%-7s %-6s %-11s %8.2f %8.2f %8.2f %9.2f %9.2f %9.2f | %9.2f %9.2f %9.2f\n", shape,
                            inCache ? "64K" : "1M", op == 0 ? "encode" : "reconstruct", v, d, u, j, vj, x,
                            ratio(v, d), ratio(v, u), ratio(v, x));
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
