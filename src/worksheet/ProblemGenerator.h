#pragma once
// Draws one arithmetic problem at a time under the limits of the worksheet settings.
// Every draw reseeds from the high-resolution counter; the state is process-wide and
// single-threaded.

#include "common/U_Common.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <optional>

namespace worksheet {

// 1 addition "+", 2 subtraction "-", 3 multiplication "x", 4 division "÷".
using OperatorCode = int;

struct Problem {
    std::int32_t Operand1 = 0;
    std::int32_t Operand2 = 0;
    OperatorCode Operator = 1;
    QByteArray Symbol; // GBK
    double Value = 0;
    QByteArray AnswerText;   // GBK, "a op b = v"
    QByteArray QuestionText; // GBK, "a op b = "
};

// The generator's state word.
std::uint32_t RandomState();
void SetRandomState(std::uint32_t state);

// One generator step: the state advances and the result lies in 0..n-1.
std::uint32_t NextRandom(std::uint32_t n);

// Loads the state from the counter (or from the tick count when the counter fails).
void ReseedRandom();

// 1..n, from a fresh seed: shuffles 1..n and picks one entry.
int RandomPick(int n);

// The operator of the next problem of the given type. Types 4 and 5 alternate through the
// toggles of U_Common. A type outside 0..7 is treated as type 0 (addition).
OperatorCode ChooseOperator(int problemType);

// Draws operands until the problem meets the settings' limits, and writes its texts.
Problem BuildProblem(const WorksheetSettings& settings, OperatorCode op);

// a ÷ b rounded to the given number of decimals in extended precision.
double RoundToDecimals(std::int32_t a, std::int32_t b, int decimals);

// The value at 15 significant digits with the locale's decimal separator, no trailing zeros.
QByteArray FormatProblemValue(double v);

// The GBK symbol of an operator code.
QByteArray OperatorSymbol(OperatorCode op);

// --- Hooks for tests and benchmarks ---

// Replaces the high-resolution counter that seeds every pick; an empty function restores the
// real counter. A source returning nullopt counts as a failed counter read.
using CounterSource = std::function<std::optional<std::uint32_t>()>;
void SetCounterSource(CounterSource source);

// The tick count used when the counter fails; an empty function restores the real one.
using TickSource = std::function<std::uint32_t()>;
void SetTickSource(TickSource source);

// The pick algorithm RandomPick and BuildProblem use. Both give the same results and read the
// counter as often: Pool shuffles an n-entry pool; Traced follows the one position that is
// returned, and does not trace an operand whose value cannot change the outcome.
enum class PickAlgorithm { Traced, Pool };
void SetPickAlgorithm(PickAlgorithm algorithm);

// The two algorithms on an explicit seed and n >= 1, without reading the counter. On return
// the state is the one after the final step.
int PickFromSeedPool(std::uint32_t seed, int n);
int PickFromSeedTraced(std::uint32_t seed, int n);

} // namespace worksheet
