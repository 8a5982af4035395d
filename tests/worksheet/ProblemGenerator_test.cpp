#include "TestSupport.h"

#include "common/U_Common.h"
#include "worksheet/ProblemGenerator.h"
#include "worksheet/ProblemGenerator_p.h"
#include "worksheet/Worksheet.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <vector>

using namespace worksheet;

namespace {

// Feeds the given seeds to the picks, one per pick, and restores the real counter afterwards.
class SeededPicks {
public:
    explicit SeededPicks(std::deque<std::uint32_t> seeds) : m_seeds(std::move(seeds)) {
        SetCounterSource([this]() -> std::optional<std::uint32_t> {
            if (m_seeds.empty())
                return m_next++;
            const std::uint32_t s = m_seeds.front();
            m_seeds.pop_front();
            return s;
        });
    }
    ~SeededPicks() { SetCounterSource({}); }
    std::size_t Left() const { return m_seeds.size(); }

private:
    std::deque<std::uint32_t> m_seeds;
    std::uint32_t m_next = 1;
};

// A seed whose pick from 1..n gives the wanted value.
std::uint32_t SeedFor(int n, int wanted) {
    for (std::uint32_t seed = 0;; ++seed)
        if (PickFromSeedPool(seed, n) == wanted)
            return seed;
}

// A recorded counter: a nanosecond clock read every 50 to 450 ns. Every counter made from the
// same start gives the same readings.
class RecordedCounter {
public:
    explicit RecordedCounter(std::uint32_t start) : m_rng(start) {
        SetCounterSource([this]() -> std::optional<std::uint32_t> {
            ++m_reads;
            m_clock += 50u + static_cast<std::uint32_t>(m_rng() % 400u);
            return m_clock;
        });
    }
    ~RecordedCounter() { SetCounterSource({}); }
    std::uint64_t Reads() const { return m_reads; }

private:
    std::mt19937 m_rng;
    std::uint32_t m_clock = 0;
    std::uint64_t m_reads = 0;
};

WorksheetSettings Limits(int result, int op1, int op2, int decimals = 0) {
    WorksheetSettings s;
    s.ResultLimit = result;
    s.Operand1Limit = op1;
    s.Operand2Limit = op2;
    s.DecimalPlaces = decimals;
    return s;
}

} // namespace

TEST(NextRandom, SequenceFromStateZero) {
    SetRandomState(0);
    EXPECT_EQ(NextRandom(100), 0u);
    EXPECT_EQ(RandomState(), 1u);
    const std::uint32_t rest[] = {3, 86, 20, 27, 67};
    for (std::uint32_t expected : rest)
        EXPECT_EQ(NextRandom(100), expected);
}

TEST(ReseedRandom, FallsBackToTickCountWhenCounterFails) {
    SetCounterSource([] { return std::optional<std::uint32_t>(); });
    SetTickSource([] { return 4242u; });
    ReseedRandom();
    EXPECT_EQ(RandomState(), 4242u);
    SetCounterSource([] { return std::optional<std::uint32_t>(77u); });
    ReseedRandom();
    EXPECT_EQ(RandomState(), 77u);
    SetCounterSource({});
    SetTickSource({});
}

TEST(RandomPick, OfOneIsAlwaysOne) {
    for (std::uint32_t seed : {0u, 1u, 0xFFFFFFFFu, 123456789u}) {
        SeededPicks picks({seed, seed});
        SetPickAlgorithm(PickAlgorithm::Pool);
        EXPECT_EQ(RandomPick(1), 1);
        SetPickAlgorithm(PickAlgorithm::Traced);
        EXPECT_EQ(RandomPick(1), 1);
    }
}

TEST(RandomPick, ReadsTheCounterOncePerPickAndCostsNPlusOneSteps) {
    SeededPicks picks({500u});
    const int v = RandomPick(7);
    EXPECT_EQ(picks.Left(), 0u);
    std::uint32_t s = 500u;
    for (int i = 0; i < 8; ++i)
        s = s * 134775813u + 1u;
    EXPECT_EQ(RandomState(), s);
    EXPECT_EQ(v, PickFromSeedPool(500u, 7));
}

namespace {

// Every kernel this processor runs, then back to the one RandomPick starts with.
std::vector<detail::TraceKernel> AvailableKernels() {
    std::vector<detail::TraceKernel> kernels;
    for (detail::TraceKernel k : {detail::TraceKernel::Walk, detail::TraceKernel::Avx2,
                                  detail::TraceKernel::Avx512})
        if (detail::SetTraceKernel(k))
            kernels.push_back(k);
    detail::SetTraceKernel(detail::BestTraceKernel());
    return kernels;
}

} // namespace

TEST(RandomPick, TracedMatchesPoolForEverySeedAndSize) {
    std::mt19937 rng(20261209);
    // Around the 64-draw blocks, sizes whose lowest block is mostly below draw 0, and beyond
    // the sizes that are planned in advance.
    std::vector<int> sizes = {1,   2,   3,   4,   5,   7,   10,  63,   64,   65,   100,
                              127, 128, 129, 191, 192, 193, 999, 1000, 1001, 4096, 65536};
    for (int i = 0; i < 40; ++i)
        sizes.push_back(1 + static_cast<int>(rng() % 1000));
    std::vector<std::uint32_t> seeds = {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
    for (int i = 0; i < 60; ++i)
        seeds.push_back(rng());
    for (detail::TraceKernel kernel : AvailableKernels()) {
        ASSERT_TRUE(detail::SetTraceKernel(kernel));
        for (int n : sizes) {
            const std::size_t tries = n > 5000 ? 6 : seeds.size();
            for (std::size_t i = 0; i < tries; ++i) {
                const std::uint32_t seed = seeds[i];
                const int pool = PickFromSeedPool(seed, n);
                const std::uint32_t poolState = RandomState();
                const int traced = PickFromSeedTraced(seed, n);
                ASSERT_EQ(traced, pool) << "kernel " << static_cast<int>(kernel) << " n=" << n
                                        << " seed=" << seed;
                ASSERT_EQ(RandomState(), poolState) << "n=" << n << " seed=" << seed;
                ASSERT_GE(pool, 1);
                ASSERT_LE(pool, n);
            }
        }
    }
    detail::SetTraceKernel(detail::BestTraceKernel());
    // Beyond the planned sizes the trace walks the states back one by one.
    for (std::uint32_t seed : {0u, 0xFFFFFFFFu, 987654321u}) {
        const int pool = PickFromSeedPool(seed, 70001);
        const std::uint32_t poolState = RandomState();
        EXPECT_EQ(PickFromSeedTraced(seed, 70001), pool);
        EXPECT_EQ(RandomState(), poolState);
    }
}

TEST(ChooseOperator, FixedTypesAndOutOfRange) {
    EXPECT_EQ(ChooseOperator(0), 1);
    EXPECT_EQ(ChooseOperator(1), 2);
    EXPECT_EQ(ChooseOperator(2), 3);
    EXPECT_EQ(ChooseOperator(3), 4);
    EXPECT_EQ(ChooseOperator(-1), 1) << "an index left without selection gives addition";
    EXPECT_EQ(ChooseOperator(8), 1);
}

TEST(ChooseOperator, MixedTypesAlternateFromTheirStartValues) {
    U_Common::AddSubToggle = 1;
    U_Common::MulDivToggle = 3;
    const int addSub[] = {2, 1, 2, 1, 2};
    for (int expected : addSub)
        EXPECT_EQ(ChooseOperator(4), expected);
    const int mulDiv[] = {4, 3, 4};
    for (int expected : mulDiv)
        EXPECT_EQ(ChooseOperator(5), expected);
    // Each alternation keeps its own place: type 4 continues after type 5 was used.
    EXPECT_EQ(ChooseOperator(4), 1);
    EXPECT_EQ(ChooseOperator(5), 3);
}

TEST(ChooseOperator, RandomMixesStayInTheirRange) {
    for (int i = 0; i < 200; ++i) {
        const int three = ChooseOperator(6);
        EXPECT_TRUE(three >= 1 && three <= 3) << three;
        const int four = ChooseOperator(7);
        EXPECT_TRUE(four >= 1 && four <= 4) << four;
    }
}

struct DivisionCase {
    int a, b, places;
    double value;
    const char* text;
};

class RoundToDecimalsTable : public ::testing::TestWithParam<DivisionCase> {};

TEST_P(RoundToDecimalsTable, ValueAndText) {
    const DivisionCase& c = GetParam();
    const double v = RoundToDecimals(c.a, c.b, c.places);
    EXPECT_DOUBLE_EQ(v, c.value) << c.a << " / " << c.b << " to " << c.places;
    EXPECT_EQ(FormatProblemValue(v), QByteArray(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    Division, RoundToDecimalsTable,
    ::testing::Values(DivisionCase{1, 2, 0, 0, "0"}, DivisionCase{3, 2, 0, 2, "2"},
                      DivisionCase{5, 2, 0, 2, "2"}, DivisionCase{7, 2, 0, 4, "4"},
                      DivisionCase{1, 4, 1, 0.2, "0.2"}, DivisionCase{3, 4, 1, 0.7, "0.7"},
                      DivisionCase{7, 4, 1, 1.7, "1.7"}, DivisionCase{5, 4, 1, 1.2, "1.2"},
                      DivisionCase{3, 8, 2, 0.37, "0.37"}, DivisionCase{5, 8, 2, 0.62, "0.62"},
                      DivisionCase{7, 8, 2, 0.87, "0.87"}, DivisionCase{3, 20, 1, 0.1, "0.1"},
                      DivisionCase{11, 20, 1, 0.6, "0.6"}, DivisionCase{19, 20, 1, 0.9, "0.9"},
                      DivisionCase{1, 40, 2, 0.03, "0.03"}, DivisionCase{3, 40, 2, 0.07, "0.07"},
                      DivisionCase{7, 3, 2, 2.33, "2.33"}, DivisionCase{10, 4, 2, 2.5, "2.5"},
                      DivisionCase{1, 1000, 3, 0.001, "0.001"}, DivisionCase{1, 1000, 2, 0, "0"},
                      DivisionCase{999, 1000, 0, 1, "1"}, DivisionCase{21, 2, 0, 10, "10"},
                      DivisionCase{21, 2, 1, 10.5, "10.5"}));

TEST(FormatProblemValue, FifteenSignificantDigitsWithoutTrailingZeros) {
    EXPECT_EQ(FormatProblemValue(12), QByteArray("12"));
    EXPECT_EQ(FormatProblemValue(2.5), QByteArray("2.5"));
    EXPECT_EQ(FormatProblemValue(0), QByteArray("0"));
    EXPECT_EQ(FormatProblemValue(1000), QByteArray("1000"));
    EXPECT_EQ(FormatProblemValue(0.1 + 0.2), QByteArray("0.3"));
}

TEST(BuildProblem, TextsAreExactGbkBytes) {
    {
        SeededPicks picks({SeedFor(10, 7), SeedFor(10, 4)});
        const Problem p = BuildProblem(Limits(10, 10, 10, 1), 4);
        EXPECT_EQ(p.AnswerText, QByteArray("7 \xA1\xC2 4 = 1.7"));
        EXPECT_EQ(p.QuestionText, QByteArray("7 \xA1\xC2 4 = "));
        EXPECT_DOUBLE_EQ(p.Value, 1.7);
    }
    {
        SeededPicks picks({SeedFor(20, 12), SeedFor(20, 3)});
        const Problem p = BuildProblem(Limits(100, 20, 20), 3);
        EXPECT_EQ(p.AnswerText, QByteArray("12 x 3 = 36"));
        EXPECT_EQ(p.QuestionText, QByteArray("12 x 3 = "));
    }
}

TEST(BuildProblem, ValueEqualToTheLimitIsKept) {
    SeededPicks picks({SeedFor(10, 4), SeedFor(10, 6)});
    const Problem p = BuildProblem(Limits(10, 10, 10), 1);
    EXPECT_EQ(p.AnswerText, QByteArray("4 + 6 = 10"));
    EXPECT_EQ(picks.Left(), 0u);
}

TEST(BuildProblem, DivisionRedrawsOnTheRoundedValue) {
    {
        SeededPicks picks({SeedFor(30, 21), SeedFor(10, 2)});
        EXPECT_EQ(BuildProblem(Limits(10, 30, 10, 0), 4).AnswerText,
                  QByteArray("21 \xA1\xC2 2 = 10"));
    }
    {
        // With one place 21 / 2 is 10.5, over the limit: a whole new pair is drawn.
        SeededPicks picks({SeedFor(30, 21), SeedFor(10, 2), SeedFor(30, 9), SeedFor(10, 3)});
        EXPECT_EQ(BuildProblem(Limits(10, 30, 10, 1), 4).AnswerText,
                  QByteArray("9 \xA1\xC2 3 = 3"));
        EXPECT_EQ(picks.Left(), 0u);
    }
}

TEST(BuildProblem, SubtractionRedrawsBothOperandsUntilTheDifferenceIsNotNegative) {
    SeededPicks picks({SeedFor(10, 3), SeedFor(10, 8), SeedFor(10, 5), SeedFor(10, 5)});
    const Problem p = BuildProblem(Limits(10, 10, 10), 2);
    EXPECT_EQ(p.AnswerText, QByteArray("5 - 5 = 0"));
    EXPECT_EQ(picks.Left(), 0u);
    for (int i = 0; i < 500; ++i) {
        const Problem q = BuildProblem(Limits(1000, 100, 100), 2);
        ASSERT_GE(q.Operand1, q.Operand2);
        ASSERT_GE(q.Value, 0);
    }
}

TEST(BuildProblem, EveryValueRespectsItsLimit) {
    for (int op = 1; op <= 4; ++op) {
        for (int i = 0; i < 200; ++i) {
            const Problem p = BuildProblem(Limits(20, 50, 30, 2), op);
            ASSERT_LE(p.Value, 20.0);
            ASSERT_GE(p.Operand1, 1);
            ASSERT_LE(p.Operand1, 50);
            ASSERT_GE(p.Operand2, 1);
            ASSERT_LE(p.Operand2, 30);
        }
    }
}

// When operand 1 alone rejects the pair, the traced algorithm only jumps over operand 2's pick.
// Both algorithms must still read the same counter values, keep the same pair and leave the
// same state; the pairs at the edge of the rule go through the full check.
struct EdgeCase {
    OperatorCode op;
    std::vector<int> draws; // operand values, pair by pair; 0 where the value cannot matter
    const char* text;
};

void PrintTo(const EdgeCase& c, std::ostream* os) { *os << "operator " << c.op << " -> " << c.text; }

class FirstOperandEdge : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(FirstOperandEdge, BothAlgorithmsReadTheSameCounterAndKeepTheSamePair) {
    const EdgeCase& c = GetParam();
    std::deque<std::uint32_t> seeds;
    for (int v : c.draws)
        seeds.push_back(v == 0 ? 0xC0FFEEu : SeedFor(1000, v));
    std::uint32_t states[2] = {};
    int i = 0;
    for (PickAlgorithm alg : {PickAlgorithm::Pool, PickAlgorithm::Traced}) {
        SetPickAlgorithm(alg);
        SeededPicks picks(seeds);
        const Problem p = BuildProblem(Limits(10, 1000, 1000, 1), c.op);
        EXPECT_EQ(p.AnswerText, QByteArray(c.text)) << "algorithm " << i;
        EXPECT_EQ(picks.Left(), 0u) << "algorithm " << i;
        states[i++] = RandomState();
    }
    SetPickAlgorithm(PickAlgorithm::Traced);
    EXPECT_EQ(states[1], states[0]);
}

INSTANTIATE_TEST_SUITE_P(
    LimitTen, FirstOperandEdge,
    ::testing::Values(
        // 10 + b > 10 for any b; 9 + 2 is checked in full and rejected; 9 + 1 is kept.
        EdgeCase{1, {10, 0, 9, 2, 9, 1}, "9 + 1 = 10"},
        EdgeCase{1, {1000, 0, 10, 0, 1, 9}, "1 + 9 = 10"},
        // 11 x b > 10 for any b; 10 x 2 is checked in full; 10 x 1 is kept.
        EdgeCase{3, {11, 0, 10, 2, 10, 1}, "10 x 1 = 10"},
        EdgeCase{3, {999, 0, 5, 3, 2, 5}, "2 x 5 = 10"},
        // Division and subtraction need operand 2: 30 / 10 is kept although 30 > 10.
        EdgeCase{4, {30, 10}, "30 \xA1\xC2 10 = 3"},
        EdgeCase{2, {20, 5, 12, 3}, "12 - 3 = 9"},
        // An operator code outside 1..4 is computed as addition, so the rule applies too.
        EdgeCase{0, {10, 0, 4, 6}, "4 + 6 = 10"}));

// Whole sheets from one recorded counter are identical problem for problem with both
// algorithms, read the counter as often and leave the same state.
struct SheetCase {
    int type, resultLimit, operandLimit, decimals, count;
};

void PrintTo(const SheetCase& c, std::ostream* os) {
    *os << "type " << c.type << ", limit " << c.resultLimit << ", operands to " << c.operandLimit
        << ", " << c.count << " problems";
}

class SheetsFromOneRecording : public ::testing::TestWithParam<SheetCase> {};

TEST_P(SheetsFromOneRecording, AreTheSameWithBothAlgorithms) {
    const SheetCase& c = GetParam();
    WorksheetSettings settings = Limits(c.resultLimit, c.operandLimit, c.operandLimit, c.decimals);
    settings.ProblemType = c.type;
    settings.ProblemCount = c.count;
    settings.ShowAnswers = true;
    struct Run {
        std::vector<QByteArray> texts;
        std::uint64_t reads = 0;
        std::uint32_t state = 0;
    };
    auto run = [&](PickAlgorithm alg) {
        SetPickAlgorithm(alg);
        U_Common::AddSubToggle = 1;
        U_Common::MulDivToggle = 3;
        RecordedCounter counter(static_cast<std::uint32_t>(1 + 7919 * c.type + c.operandLimit));
        Worksheet w;
        w.GenerateWorksheet(settings);
        Run r;
        for (int slot = 1; slot <= c.count; ++slot)
            r.texts.push_back(w.AnswerText(slot));
        r.reads = counter.Reads();
        r.state = RandomState();
        return r;
    };
    const Run pool = run(PickAlgorithm::Pool);
    const Run traced = run(PickAlgorithm::Traced);
    SetPickAlgorithm(PickAlgorithm::Traced);
    EXPECT_EQ(traced.reads, pool.reads);
    EXPECT_EQ(traced.state, pool.state);
    for (int i = 0; i < c.count; ++i)
        ASSERT_EQ(traced.texts[static_cast<std::size_t>(i)], pool.texts[static_cast<std::size_t>(i)])
            << "slot " << i + 1;
}

INSTANTIATE_TEST_SUITE_P(
    Types, SheetsFromOneRecording,
    ::testing::Values(
        // The worst cases: one kept pair in some 22,000 (addition) and 37,000 (multiplication).
        SheetCase{0, 10, 1000, 0, 10}, SheetCase{2, 10, 1000, 0, 10},
        // Every type with a tight limit, so that most pairs are rejected one way or the other.
        SheetCase{0, 10, 100, 0, 100}, SheetCase{1, 10, 100, 0, 100}, SheetCase{2, 10, 100, 0, 100},
        SheetCase{3, 10, 100, 2, 100}, SheetCase{4, 10, 100, 0, 100}, SheetCase{5, 10, 100, 1, 100},
        SheetCase{6, 10, 100, 0, 100}, SheetCase{7, 10, 100, 3, 100}));
