#include "worksheet/ProblemGenerator.h"

#include "platform/Clock.h"
#include "platform/GbkCodec.h"
#include "platform/LocaleInfo.h"

#include <immintrin.h>

#include <cmath>
#include <utility>
#include <vector>

namespace worksheet {

namespace {

constexpr std::uint32_t kMultiplier = 0x08088405u; // 134775813
// The inverse of the multiplier modulo 2^32 (the multiplier is odd), to step the state back.
constexpr std::uint32_t InverseMultiplier() {
    std::uint32_t x = kMultiplier; // Newton's iteration doubles the correct low bits each time
    for (int i = 0; i < 5; ++i)
        x *= 2u - kMultiplier * x;
    return x;
}
constexpr std::uint32_t kInverse = InverseMultiplier();
static_assert(kMultiplier * kInverse == 1u);

std::uint32_t g_state = 0;
std::vector<int> g_pickPool; // scratch of the pool algorithm
CounterSource g_counter;
TickSource g_tick;
PickAlgorithm g_algorithm = PickAlgorithm::Traced;

inline std::uint32_t Scale(std::uint32_t state, std::uint32_t n) {
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(state) * n) >> 32);
}

// State after k steps from s0 is A[k] * s0 + C[k]; the tables grow with the largest n seen.
std::vector<std::uint32_t> g_mul{1u};
std::vector<std::uint32_t> g_add{0u};
constexpr std::size_t kMaxTable = 1u << 16; // beyond this the trace walks the states back one by one

void GrowTables(std::size_t steps) {
    while (g_mul.size() <= steps) {
        g_mul.push_back(g_mul.back() * kMultiplier);
        g_add.push_back(g_add.back() * kMultiplier + 1u);
    }
}

// The largest k in [begin, end) whose state mul[k] * s0 + add[k] lies in [lo, lo + width),
// or -1. The ranges are scanned from the top, eight states at a time where the CPU allows.
int LastStateInRangeScalar(const std::uint32_t* mul, const std::uint32_t* add, int begin, int end,
                           std::uint32_t s0, std::uint32_t lo, std::uint32_t width) {
    for (int k = end - 1; k >= begin; --k)
        if (mul[k] * s0 + add[k] - lo < width)
            return k;
    return -1;
}

// Lanes set where the states of steps k..k+7 lie in the range.
__attribute__((target("avx2"), always_inline)) inline __m256i
StatesInRange8(const std::uint32_t* mul, const std::uint32_t* add, int k, __m256i seed,
               __m256i base, __m256i limit) {
    const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mul + k));
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(add + k));
    // (state - lo) ^ 2^31, computed as state - (lo ^ 2^31).
    const __m256i s = _mm256_sub_epi32(_mm256_add_epi32(_mm256_mullo_epi32(m, seed), a), base);
    return _mm256_cmpgt_epi32(limit, s);
}

__attribute__((target("avx2"))) int
LastStateInRangeAvx2(const std::uint32_t* mul, const std::uint32_t* add, int begin, int end,
                     std::uint32_t s0, std::uint32_t lo, std::uint32_t width) {
    const __m256i seed = _mm256_set1_epi32(static_cast<int>(s0));
    // Unsigned x < width is signed (x ^ 2^31) < (width ^ 2^31).
    const __m256i base = _mm256_set1_epi32(static_cast<int>(lo ^ 0x80000000u));
    const __m256i limit = _mm256_set1_epi32(static_cast<int>(width ^ 0x80000000u));
    auto hits = [&](int at) __attribute__((target("avx2"))) {
        return StatesInRange8(mul, add, at, seed, base, limit);
    };
    int k = end;
    while (k - begin >= 32) {
        k -= 32;
        const __m256i h3 = hits(k + 24), h2 = hits(k + 16), h1 = hits(k + 8), h0 = hits(k);
        const __m256i any = _mm256_or_si256(_mm256_or_si256(h3, h2), _mm256_or_si256(h1, h0));
        if (_mm256_testz_si256(any, any))
            continue;
        const __m256i parts[4] = {h0, h1, h2, h3};
        for (int q = 3; q >= 0; --q) {
            const int mask = _mm256_movemask_ps(_mm256_castsi256_ps(parts[q]));
            if (mask)
                return k + 8 * q + 31 - __builtin_clz(static_cast<unsigned>(mask));
        }
    }
    return LastStateInRangeScalar(mul, add, begin, k, s0, lo, width);
}

__attribute__((target("avx512f"))) int
LastStateInRangeAvx512(const std::uint32_t* mul, const std::uint32_t* add, int begin, int end,
                       std::uint32_t s0, std::uint32_t lo, std::uint32_t width) {
    const __m512i seed = _mm512_set1_epi32(static_cast<int>(s0));
    const __m512i base = _mm512_set1_epi32(static_cast<int>(lo));
    const __m512i limit = _mm512_set1_epi32(static_cast<int>(width));
    int k = end;
    while (k - begin >= 32) {
        k -= 32;
        const __m512i m1 = _mm512_loadu_si512(mul + k + 16);
        const __m512i a1 = _mm512_loadu_si512(add + k + 16);
        const __m512i m0 = _mm512_loadu_si512(mul + k);
        const __m512i a0 = _mm512_loadu_si512(add + k);
        const __m512i s1 = _mm512_sub_epi32(_mm512_add_epi32(_mm512_mullo_epi32(m1, seed), a1), base);
        const __m512i s0v = _mm512_sub_epi32(_mm512_add_epi32(_mm512_mullo_epi32(m0, seed), a0), base);
        const unsigned hit = (static_cast<unsigned>(_mm512_cmplt_epu32_mask(s1, limit)) << 16) |
                             _mm512_cmplt_epu32_mask(s0v, limit);
        if (hit)
            return k + 31 - __builtin_clz(hit);
    }
    return LastStateInRangeScalar(mul, add, begin, k, s0, lo, width);
}

using LastStateInRangeFn = int (*)(const std::uint32_t*, const std::uint32_t*, int, int,
                                   std::uint32_t, std::uint32_t, std::uint32_t);
const LastStateInRangeFn LastStateInRange =
    __builtin_cpu_supports("avx512f")  ? LastStateInRangeAvx512
    : __builtin_cpu_supports("avx2") ? LastStateInRangeAvx2
                                     : LastStateInRangeScalar;

// The states that draw position p of 1..n are [bounds[p], bounds[p + 1]), where
// bounds[p] = ceil(p * 2^32 / n) (bounds[n] wraps to 0). Kept per n: a sheet uses few sizes.
const std::uint32_t* DrawBounds(std::uint32_t n) {
    static std::vector<std::vector<std::uint32_t>> byN;
    if (byN.size() <= n)
        byN.resize(n + 1);
    std::vector<std::uint32_t>& b = byN[n];
    if (b.empty()) {
        b.resize(n + 1);
        for (std::uint32_t p = 0; p <= n; ++p)
            b[p] = static_cast<std::uint32_t>(((static_cast<std::uint64_t>(p) << 32) + n - 1) / n);
    }
    return b.data();
}

// The undo of shuffle step j for the tracked position p: step j exchanged entries j and r_j.
inline int UndoStep(int j, std::uint32_t rj, int p) {
    if (p == j)
        return static_cast<int>(rj);
    if (static_cast<int>(rj) == p)
        return j;
    return p;
}

} // namespace

std::uint32_t RandomState() { return g_state; }
void SetRandomState(std::uint32_t state) { g_state = state; }

std::uint32_t NextRandom(std::uint32_t n) {
    g_state = g_state * kMultiplier + 1u;
    return Scale(g_state, n);
}

void ReseedRandom() {
    const std::optional<std::uint32_t> counter =
        g_counter ? g_counter() : platform::HighResolutionCounter();
    if (counter)
        g_state = *counter;
    else
        g_state = g_tick ? g_tick() : platform::TickCount();
}

int PickFromSeedPool(std::uint32_t seed, int n) {
    g_state = seed;
    g_pickPool.resize(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        g_pickPool[static_cast<std::size_t>(k)] = k + 1;
    const auto un = static_cast<std::uint32_t>(n);
    for (int j = 0; j < n; ++j) {
        const std::uint32_t r = NextRandom(un);
        std::swap(g_pickPool[static_cast<std::size_t>(j)], g_pickPool[r]);
    }
    return g_pickPool[NextRandom(un)];
}

// The pool starts as 1..n, so the entry returned is 1 + the position it started from. That
// position is found by following the returned slot backwards through the n exchanges; only
// the exchanges that touch the followed slot matter, and blocks of steps that touch it are
// found without walking them one by one.
int PickFromSeedTraced(std::uint32_t seed, int n) {
    const auto un = static_cast<std::uint32_t>(n);
    const std::size_t steps = static_cast<std::size_t>(n) + 1;
    if (n == 1) {
        g_state = seed * kMultiplier + 1u;
        g_state = g_state * kMultiplier + 1u;
        return 1;
    }
    if (steps > kMaxTable) {
        // Jump to the final state, then walk back step by step.
        std::uint32_t s = seed;
        for (std::size_t k = 0; k < steps; ++k)
            s = s * kMultiplier + 1u;
        g_state = s;
        int p = static_cast<int>(Scale(s, un));
        for (int j = n - 1; j >= 0; --j) {
            s = (s - 1u) * kInverse; // the state after step j
            p = UndoStep(j, Scale(s, un), p);
        }
        return p + 1;
    }
    GrowTables(steps);
    const std::uint32_t* mul = g_mul.data();
    const std::uint32_t* add = g_add.data();
    auto stateAfter = [&](std::size_t k) { return mul[k] * seed + add[k]; };

    g_state = stateAfter(steps);
    int p = static_cast<int>(Scale(g_state, un));
    const std::uint32_t* bounds = DrawBounds(un);
    auto rangeOf = [bounds](int pos, std::uint32_t& lo, std::uint32_t& width) {
        lo = bounds[pos];
        width = bounds[pos + 1] - bounds[pos]; // wraps to the right width for the last position
    };
    std::uint32_t lo = 0, width = 0;
    rangeOf(p, lo, width);

    // Walk the steps from the last one down. Between events nothing moves the followed slot p;
    // an event is step p itself or a step that drew p.
    int end = n; // steps [0, end) are still to be undone
    while (end > 0) {
        const int lowest = p < end ? p + 1 : 0;
        // Step j draws with the state after j + 1 steps, hence the offset of one.
        const int drew = LastStateInRange(mul + 1, add + 1, lowest, end, seed, lo, width);
        if (drew >= 0) {
            p = drew;
            end = drew;
        } else if (p < end) {
            end = p;
            p = static_cast<int>(Scale(stateAfter(static_cast<std::size_t>(p) + 1), un));
        } else {
            break;
        }
        rangeOf(p, lo, width);
    }
    return p + 1;
}

int RandomPick(int n) {
    if (n < 1)
        n = 1;
    ReseedRandom();
    const std::uint32_t seed = g_state;
    return g_algorithm == PickAlgorithm::Pool ? PickFromSeedPool(seed, n)
                                               : PickFromSeedTraced(seed, n);
}

OperatorCode ChooseOperator(int problemType) {
    switch (problemType) {
    case 1:
    case 2:
    case 3:
        return problemType + 1;
    case 4:
        if (U_Common::AddSubToggle == 1) {
            U_Common::AddSubToggle = 2;
            return 2;
        }
        U_Common::AddSubToggle = 1;
        return 1;
    case 5:
        if (U_Common::MulDivToggle == 3) {
            U_Common::MulDivToggle = 4;
            return 4;
        }
        U_Common::MulDivToggle = 3;
        return 3;
    case 6:
        return RandomPick(3);
    case 7:
        return RandomPick(4);
    default:
        // Type 0, and any index a damaged settings file leaves outside the list: addition.
        return 1;
    }
}

QByteArray OperatorSymbol(OperatorCode op) {
    static const QByteArray symbols[4] = {QByteArrayLiteral("+"), QByteArrayLiteral("-"),
                                          QByteArrayLiteral("x"), platform::Gbk("÷")};
    return symbols[(op >= 1 && op <= 4 ? op : 1) - 1];
}

double RoundToDecimals(std::int32_t a, std::int32_t b, int decimals) {
    // Each step is done in the 80-bit format and rounded to a double where noted; the results
    // at exact decimal ties depend on it.
    const double q = static_cast<double>(static_cast<long double>(a) / static_cast<long double>(b));
    double factor = 1.0;
    if (decimals > 0) {
        long double power = 1.0L;
        for (int i = 0; i < decimals; ++i)
            power *= 10.0L;
        factor = static_cast<double>(1.0L / power);
    }
    const long double t = static_cast<long double>(q) / static_cast<long double>(factor);
    const long double n = std::nearbyint(t); // the default mode sends halves to even
    return static_cast<double>(n * static_cast<long double>(factor));
}

QByteArray FormatProblemValue(double v) {
    QByteArray text = QByteArray::number(v, 'g', 15);
    const qsizetype dot = text.indexOf('.');
    if (dot >= 0) {
        const QChar sep = platform::DecimalSeparator();
        if (sep != QLatin1Char('.'))
            text.replace(dot, 1, platform::ToGbk(QString(sep)));
    }
    return text;
}

Problem BuildProblem(const WorksheetSettings& settings, OperatorCode op) {
    Problem p;
    p.Operator = op;
    p.Symbol = OperatorSymbol(op);
    const double limit = static_cast<double>(settings.ResultLimit);
    std::int32_t a = 0, b = 0;
    double v = 0;
    for (;;) {
        a = RandomPick(settings.Operand1Limit);
        b = RandomPick(settings.Operand2Limit);
        if (op == 2) {
            while (b > a) {
                a = RandomPick(settings.Operand1Limit);
                b = RandomPick(settings.Operand2Limit);
            }
        }
        switch (op) {
        case 2:
            v = static_cast<double>(a - b);
            break;
        case 3:
            v = static_cast<double>(a * b);
            break;
        case 4:
            v = RoundToDecimals(a, b, settings.DecimalPlaces);
            break;
        default:
            v = static_cast<double>(a + b);
            break;
        }
        if (!(v > limit))
            break;
    }
    p.Operand1 = a;
    p.Operand2 = b;
    p.Value = v;
    p.QuestionText = QByteArray::number(a) + ' ' + p.Symbol + ' ' + QByteArray::number(b) + " = ";
    p.AnswerText = p.QuestionText + FormatProblemValue(v);
    return p;
}

void SetCounterSource(CounterSource source) { g_counter = std::move(source); }
void SetTickSource(TickSource source) { g_tick = std::move(source); }
void SetPickAlgorithm(PickAlgorithm algorithm) { g_algorithm = algorithm; }

} // namespace worksheet
