#include "worksheet/ProblemGenerator.h"
#include "worksheet/ProblemGenerator_p.h"

#include "platform/Clock.h"
#include "platform/GbkCodec.h"
#include "platform/LocaleInfo.h"

#include <immintrin.h>

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

namespace worksheet {

namespace {

constexpr std::uint32_t kMultiplier = 0x08088405u; // 134775813

// The generator's steps are affine maps of the state: s -> mul * s + add (modulo 2^32).
struct Affine {
    std::uint32_t mul = 1u;
    std::uint32_t add = 0u;
    constexpr std::uint32_t operator()(std::uint32_t s) const { return mul * s + add; }
};

// f first, then g.
constexpr Affine Then(Affine f, Affine g) { return {g.mul * f.mul, g.mul * f.add + g.add}; }

constexpr Affine kStep{kMultiplier, 1u};

// k steps at once.
constexpr Affine StepsForward(std::uint64_t k) {
    Affine result, power = kStep;
    for (; k != 0; k >>= 1) {
        if (k & 1u)
            result = Then(result, power);
        power = Then(power, power);
    }
    return result;
}

// The map that undoes f (its multiplier is odd).
constexpr Affine Undo(Affine f) {
    std::uint32_t x = f.mul; // Newton's iteration doubles the correct low bits each time
    for (int i = 0; i < 5; ++i)
        x *= 2u - f.mul * x;
    return {x, 0u - x * f.add};
}

constexpr Affine kStepBack = Undo(kStep);
static_assert(kStepBack.mul * kMultiplier == 1u && kStepBack(kStep(12345u)) == 12345u);

std::uint32_t g_state = 0;
std::vector<int> g_pickPool; // scratch of the pool algorithm
CounterSource g_counter;
TickSource g_tick;
PickAlgorithm g_algorithm = PickAlgorithm::Traced;

inline std::uint32_t Scale(std::uint32_t state, std::uint32_t n) {
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(state) * n) >> 32);
}

// --- The traced pick ---
//
// Draw j (0 <= j <= n) is made with the state after j + 1 steps: draws 0..n-1 are the
// exchanges, draw n picks the slot that is returned. Going back from draw n, the followed slot
// p changes at draw p (it came from the slot that draw drew) and at any later draw j that drew
// p (it came from slot j). The draws that draw p are those whose state lies in p's range
// [bounds[p], bounds[p + 1]).
//
// The vector kernels hold a block of 64 consecutive draws, each as its state less a fixed
// origin, so that "drew p" is one subtraction and one unsigned comparison per draw. The block
// below comes from the block above by one affine map per lane (64 steps back), which does not
// depend on p: an event changes only the two numbers the lanes are compared with, so the walk
// down the blocks never waits for one. Every block is looked at once, from the top; a block
// with an event (about two per pick) then goes through its events one by one.

constexpr int kBlock = 64;                      // draws per block, one bit each in a mask
constexpr std::uint32_t kMaxPlanned = 1u << 16; // larger picks walk the states back one by one

// Lane i of the top block holds draw n - 64 + i: the final state taken 64 - i steps back.
struct LaneMaps {
    alignas(64) std::uint32_t mul[kBlock];
    alignas(64) std::uint32_t add[kBlock];
};
constexpr LaneMaps MakeLaneMaps() {
    LaneMaps maps{};
    for (int lane = 0; lane < kBlock; ++lane) {
        const Affine back = Undo(StepsForward(static_cast<std::uint64_t>(kBlock - lane)));
        maps.mul[lane] = back.mul;
        maps.add[lane] = back.add;
    }
    return maps;
}
constexpr LaneMaps kLaneMaps = MakeLaneMaps();

constexpr Affine kBlockBack = Undo(StepsForward(kBlock));

// Lanes hold state - origin; one block down that is K * (state - origin) + (K * origin + D -
// origin), with K and D from kBlockBack.
constexpr std::uint32_t BlockOffset(std::uint32_t origin) { return kBlockBack(origin) - origin; }

// What a pick of 1..n needs besides the seed; kept per n, a sheet uses few sizes.
struct PickPlan {
    std::uint32_t n = 0;
    Affine jump; // n + 1 steps: from the seed to the state after the pick
    // bounds[p] = ceil(p * 2^32 / n); bounds[n] wraps to 0, which gives the last range its
    // width by wrap-around subtraction.
    std::vector<std::uint32_t> bounds;
};

std::vector<std::unique_ptr<PickPlan>> g_plans; // by n

const PickPlan& MakePlan(std::uint32_t n) {
    if (g_plans.size() <= n)
        g_plans.resize(n + 1);
    auto plan = std::make_unique<PickPlan>();
    plan->n = n;
    plan->jump = StepsForward(std::uint64_t{n} + 1);
    plan->bounds.resize(n + 1);
    for (std::uint32_t p = 0; p <= n; ++p)
        plan->bounds[p] =
            static_cast<std::uint32_t>(((static_cast<std::uint64_t>(p) << 32) + n - 1) / n);
    g_plans[n] = std::move(plan);
    return *g_plans[n];
}

inline const PickPlan& PlanFor(std::uint32_t n) {
    if (n < g_plans.size() && g_plans[n]) [[likely]]
        return *g_plans[n];
    return MakePlan(n);
}

// The lanes of the block starting at draw `base` that hold draws 0 and up (base > -64).
inline std::uint64_t LiveLanes(int base) { return base < 0 ? ~0ull << -base : ~0ull; }

// The lane of draw p when it lies in the block starting at `base`.
inline std::uint64_t LaneOf(int p, int base) {
    const auto u = static_cast<unsigned>(p - base);
    return u < static_cast<unsigned>(kBlock) ? 1ull << u : 0ull;
}

// Undoes the highest event of a block: `events` has a bit per draw (from `base`) that is step
// p or drew p; `states` holds the block's states less `origin`. Returns the slot followed from
// then on and clears the undone draws from `live`.
inline int UndoHighestEvent(std::uint64_t events, std::uint64_t& live, int base, int p,
                            const std::uint32_t* states, std::uint32_t origin, std::uint32_t n) {
    const int lane = 63 - __builtin_clzll(events);
    const int draw = base + lane;
    const auto drawn = static_cast<int>(Scale(states[lane] + origin, n));
    live &= (1ull << lane) - 1u;
    // Step p and "drew p" are about equally likely: choose without a branch.
    const int stepOfP = -static_cast<int>(draw == p);
    return (drawn & stepOfP) | (draw & ~stepOfP);
}

__attribute__((target("avx512f"), always_inline)) inline __m512i Fill(std::uint32_t v) {
    return _mm512_set1_epi32(static_cast<int>(v));
}

// One bit per lane of x[0..3] whose state lies in the range: x - shift < width.
__attribute__((target("avx512f"), always_inline)) inline std::uint64_t
InRange(const __m512i* x, __m512i shift, __m512i width) {
    std::uint64_t mask = 0;
    for (int c = 0; c < 4; ++c) {
        const __m512i d = _mm512_sub_epi32(x[c], shift);
        mask |= std::uint64_t{_mm512_cmplt_epu32_mask(d, width)} << (16 * c);
    }
    return mask;
}

// A block in four 16-lane registers.
__attribute__((target("avx512f"))) int TraceAvx512(const PickPlan& plan, std::uint32_t last) {
    const std::uint32_t* bounds = plan.bounds.data();
    const std::uint32_t n = plan.n;
    int p = static_cast<int>(Scale(last, n));
    const std::uint32_t origin = bounds[p];
    __m512i x[4];
    for (int c = 0; c < 4; ++c) {
        const __m512i m = _mm512_load_si512(kLaneMaps.mul + 16 * c);
        const __m512i a = _mm512_load_si512(kLaneMaps.add + 16 * c);
        x[c] = _mm512_sub_epi32(_mm512_add_epi32(_mm512_mullo_epi32(m, Fill(last)), a),
                                Fill(origin));
    }
    const __m512i k = Fill(kBlockBack.mul);
    const __m512i offset = Fill(BlockOffset(origin));
    __m512i shift = Fill(0); // the range is [origin + shift, origin + shift + width)
    __m512i width = Fill(bounds[p + 1] - origin);
    for (int base = static_cast<int>(n) - kBlock;; base -= kBlock) {
        __m512i least = _mm512_sub_epi32(x[0], shift);
        for (int c = 1; c < 4; ++c)
            least = _mm512_maskz_min_epu32(0xFFFF, least, _mm512_sub_epi32(x[c], shift));
        if (_mm512_cmplt_epu32_mask(least, width) != 0 || LaneOf(p, base) != 0) [[unlikely]] {
            alignas(64) std::uint32_t states[kBlock];
            for (int c = 0; c < 4; ++c)
                _mm512_store_si512(states + 16 * c, x[c]);
            std::uint64_t live = LiveLanes(base);
            for (;;) {
                const std::uint64_t events = (InRange(x, shift, width) | LaneOf(p, base)) & live;
                if (events == 0)
                    break;
                p = UndoHighestEvent(events, live, base, p, states, origin, n);
                shift = Fill(bounds[p] - origin);
                width = Fill(bounds[p + 1] - bounds[p]);
            }
        }
        if (base <= 0)
            return p;
        for (int c = 0; c < 4; ++c)
            x[c] = _mm512_add_epi32(_mm512_mullo_epi32(x[c], k), offset);
    }
}

__attribute__((target("avx2"), always_inline)) inline __m256i Fill8(std::uint32_t v) {
    return _mm256_set1_epi32(static_cast<int>(v));
}

// One bit per lane of v below w. AVX2 compares signed only: "v < w" is "max(v, w) != v".
__attribute__((target("avx2"), always_inline)) inline unsigned Below8(__m256i v, __m256i w) {
    const __m256i notBelow = _mm256_cmpeq_epi32(_mm256_max_epu32(v, w), v);
    return ~static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(notBelow))) & 0xFFu;
}

// A block in eight 8-lane registers.
__attribute__((target("avx2"))) int TraceAvx2(const PickPlan& plan, std::uint32_t last) {
    const std::uint32_t* bounds = plan.bounds.data();
    const std::uint32_t n = plan.n;
    int p = static_cast<int>(Scale(last, n));
    const std::uint32_t origin = bounds[p];
    __m256i x[8];
    for (int c = 0; c < 8; ++c) {
        const auto* m = reinterpret_cast<const __m256i*>(kLaneMaps.mul + 8 * c);
        const auto* a = reinterpret_cast<const __m256i*>(kLaneMaps.add + 8 * c);
        x[c] = _mm256_sub_epi32(
            _mm256_add_epi32(_mm256_mullo_epi32(_mm256_load_si256(m), Fill8(last)),
                             _mm256_load_si256(a)),
            Fill8(origin));
    }
    const __m256i k = Fill8(kBlockBack.mul);
    const __m256i offset = Fill8(BlockOffset(origin));
    __m256i shift = Fill8(0);
    __m256i width = Fill8(bounds[p + 1] - origin);
    for (int base = static_cast<int>(n) - kBlock;; base -= kBlock) {
        __m256i least = _mm256_sub_epi32(x[0], shift);
        for (int c = 1; c < 8; ++c)
            least = _mm256_min_epu32(least, _mm256_sub_epi32(x[c], shift));
        if (Below8(least, width) != 0 || LaneOf(p, base) != 0) [[unlikely]] {
            alignas(32) std::uint32_t states[kBlock];
            for (int c = 0; c < 8; ++c)
                _mm256_store_si256(reinterpret_cast<__m256i*>(states + 8 * c), x[c]);
            std::uint64_t live = LiveLanes(base);
            for (;;) {
                std::uint64_t hits = 0;
                for (int c = 0; c < 8; ++c)
                    hits |= std::uint64_t{Below8(_mm256_sub_epi32(x[c], shift), width)} << (8 * c);
                const std::uint64_t events = (hits | LaneOf(p, base)) & live;
                if (events == 0)
                    break;
                p = UndoHighestEvent(events, live, base, p, states, origin, n);
                shift = Fill8(bounds[p] - origin);
                width = Fill8(bounds[p + 1] - bounds[p]);
            }
        }
        if (base <= 0)
            return p;
        for (int c = 0; c < 8; ++c)
            x[c] = _mm256_add_epi32(_mm256_mullo_epi32(x[c], k), offset);
    }
}

// The undo of exchange j for the followed slot p: exchange j swapped entries j and r_j.
inline int UndoStep(int j, std::uint32_t rj, int p) {
    if (p == j)
        return static_cast<int>(rj);
    if (static_cast<int>(rj) == p)
        return j;
    return p;
}

// Without vectors, or beyond the planned sizes: every state one by one, from the last back.
int TraceWalk(std::uint32_t n, std::uint32_t last) {
    std::uint32_t s = last;
    int p = static_cast<int>(Scale(s, n));
    for (int j = static_cast<int>(n) - 1; j >= 0; --j) {
        s = kStepBack(s); // the state draw j was made with
        p = UndoStep(j, Scale(s, n), p);
    }
    return p;
}

using TraceFn = int (*)(const PickPlan&, std::uint32_t);

int TraceWalkPlanned(const PickPlan& plan, std::uint32_t last) { return TraceWalk(plan.n, last); }

bool KernelSupported(detail::TraceKernel kernel) {
    __builtin_cpu_init();
    switch (kernel) {
    case detail::TraceKernel::Avx512:
        return __builtin_cpu_supports("avx512f");
    case detail::TraceKernel::Avx2:
        return __builtin_cpu_supports("avx2");
    case detail::TraceKernel::Walk:
        return true;
    }
    return false;
}

TraceFn KernelFunction(detail::TraceKernel kernel) {
    switch (kernel) {
    case detail::TraceKernel::Avx512:
        return TraceAvx512;
    case detail::TraceKernel::Avx2:
        return TraceAvx2;
    case detail::TraceKernel::Walk:
        break;
    }
    return TraceWalkPlanned;
}

TraceFn g_trace = KernelFunction(detail::BestTraceKernel());

// The state a pick of 1..n leaves behind, from its seed.
std::uint32_t StateAfterPick(std::uint32_t seed, std::uint32_t n) {
    return n <= kMaxPlanned ? PlanFor(n).jump(seed) : StepsForward(std::uint64_t{n} + 1)(seed);
}

// Reads the counter for a pick of 1..n whose value cannot matter and leaves the state where
// the pick would.
void SkipPick(int n) {
    ReseedRandom();
    g_state = StateAfterPick(g_state, static_cast<std::uint32_t>(n < 1 ? 1 : n));
}

// True when operand 1 alone makes the problem go over the limit, whatever operand 2 (at least
// 1) is drawn: a + b > R from a >= R on, a * b > R from a > R on. The other operators need
// operand 2.
bool FirstOperandRejects(OperatorCode op, std::int32_t a, std::int32_t resultLimit) {
    switch (op) {
    case 2:
    case 4:
        return false;
    case 3:
        return a > resultLimit;
    default:
        return a >= resultLimit; // addition, as BuildProblem computes it
    }
}

} // namespace

namespace detail {

TraceKernel BestTraceKernel() {
    for (TraceKernel k : {TraceKernel::Avx512, TraceKernel::Avx2})
        if (KernelSupported(k))
            return k;
    return TraceKernel::Walk;
}

bool SetTraceKernel(TraceKernel kernel) {
    if (!KernelSupported(kernel))
        return false;
    g_trace = KernelFunction(kernel);
    return true;
}

} // namespace detail

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

// The pool starts as 1..n, so the entry returned is 1 + the position it started from; that
// position is found by following the returned slot back through the exchanges.
int PickFromSeedTraced(std::uint32_t seed, int n) {
    const auto un = static_cast<std::uint32_t>(n);
    if (un > kMaxPlanned) {
        g_state = StepsForward(std::uint64_t{un} + 1)(seed);
        return TraceWalk(un, g_state) + 1;
    }
    const PickPlan& plan = PlanFor(un);
    g_state = plan.jump(seed);
    return g_trace(plan, g_state) + 1;
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
        if (g_algorithm == PickAlgorithm::Traced &&
            FirstOperandRejects(op, a, settings.ResultLimit)) {
            // Operand 2 cannot save this pair: its pick only reads the counter and moves the
            // state on as the full pick would.
            SkipPick(settings.Operand2Limit);
            continue;
        }
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
