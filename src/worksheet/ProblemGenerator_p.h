#pragma once
// Internals of the traced pick that tests choose between: the vector width that follows the
// returned slot back through the exchanges.

namespace worksheet::detail {

enum class TraceKernel {
    Walk,   // one state after the other
    Avx2,   // 64 states per block in eight 8-lane registers
    Avx512, // 64 states per block in four 16-lane registers
};

// The widest kernel this processor runs; RandomPick starts with it.
TraceKernel BestTraceKernel();

// Switches the traced pick to the kernel; false, and no change, when the processor lacks it.
bool SetTraceKernel(TraceKernel kernel);

} // namespace worksheet::detail
