#include "worksheet/ProblemGenerator.h"

#include "platform/Clock.h"
#include "platform/GbkCodec.h"
#include "platform/LocaleInfo.h"

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
constexpr std::size_t kMaxTable = 1u << 20; // beyond this the trace walks the states back one by one

void GrowTables(std::size_t steps) {
    while (g_mul.size() <= steps) {
        g_mul.push_back(g_mul.back() * kMultiplier);
        g_add.push_back(g_add.back() * kMultiplier + 1u);
    }
}

// Whether any of the states A[k] * s0 + C[k], k in [0, count), lies in [lo, lo + width).
__attribute__((target_clones("avx2", "default"))) bool
AnyStateInRange(const std::uint32_t* mul, const std::uint32_t* add, int count, std::uint32_t s0,
                std::uint32_t lo, std::uint32_t width) {
    std::uint32_t any = 0;
    for (int k = 0; k < count; ++k)
        any |= static_cast<std::uint32_t>(mul[k] * s0 + add[k] - lo) < width;
    return any != 0;
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
    // The states that draw p are those in [ceil(p * 2^32 / n), ceil((p + 1) * 2^32 / n)).
    auto rangeOf = [un](int pos, std::uint32_t& lo, std::uint32_t& width) {
        const std::uint64_t from = ((static_cast<std::uint64_t>(pos) << 32) + un - 1) / un;
        const std::uint64_t to = ((static_cast<std::uint64_t>(pos + 1) << 32) + un - 1) / un;
        lo = static_cast<std::uint32_t>(from);
        width = static_cast<std::uint32_t>(to - from);
    };
    std::uint32_t lo = 0, width = 0;
    rangeOf(p, lo, width);

    constexpr int kBlock = 64;
    int end = n; // steps [0, end) are still to be undone
    while (end > 0) {
        const int begin = end > kBlock ? end - kBlock : 0;
        // Step j draws with the state after j + 1 steps.
        const bool touched = (p >= begin && p < end) ||
                             AnyStateInRange(mul + begin + 1, add + begin + 1, end - begin, seed,
                                             lo, width);
        if (touched) {
            for (int j = end - 1; j >= begin; --j) {
                const int before = UndoStep(j, Scale(stateAfter(static_cast<std::size_t>(j) + 1), un), p);
                if (before != p) {
                    p = before;
                    rangeOf(p, lo, width);
                }
            }
        }
        end = begin;
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
