#pragma once
// The built-in constants and functions of the engine.

#include "engine/DorvSub.h"

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace vexmo {

// The random source of "_RND" (one per engine, seeded from the clock).
using RandomSource = std::mt19937_64;

// Value of a constant name ("_PI", "PI", "_I", "_RND", ...), or nothing when `name` is no
// constant. The name is compared exactly (expressions are upper case).
std::optional<DComplex> ConstantValue(std::string_view name, RandomSource& rng);
bool IsConstantName(std::string_view name);

// True when `name` is one of the 53 built-in function names.
bool IsBuiltinFunction(std::string_view name);

// Reads a stored variable's value text by name ("" when absent), or nothing when the
// engine has no variable store. Used for the frequency variables "_F" and "_FREQ".
using VariableReader = std::function<std::optional<std::string>(std::string_view name)>;

// Evaluates built-in function `name` on its elements: `args` are the operand's Args
// e1..e(n-1) and `value` is the last element en. Raises EMathError / EConvertError /
// std::runtime_error on failure; the engine absorbs that into ErrorState 1.
DComplex EvaluateBuiltinFunction(std::string_view name, const std::vector<DComplex>& args,
                                 const DComplex& value, const VariableReader& readVariable);

} // namespace vexmo
