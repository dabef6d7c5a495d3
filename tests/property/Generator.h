// Random Brisken trees, starting projects and dialog rounds from a seed, and their text form.
#ifndef CONFIRM_GENERATOR_H
#define CONFIRM_GENERATOR_H

#include <cstdint>
#include <functional>
#include <string>

#include "ConfirmModel.h"

namespace generate
{
// The same seed gives the same sequence on every machine. The first tree lies three folders
// above the project (its addons list paths as "../../../addons/…"); a second one beside it
// lists paths into itself, a third one lists paths into the first.
model::Sequence sequence(std::uint64_t seed);

// Readable enough to rebuild the case by hand.
std::string describe(const model::Sequence& sequence);

// The smallest sequence found, by dropping rounds, names, entries and addons one at a time,
// for which `fails` still holds; at most `budget` calls of `fails`.
model::Sequence shrink(model::Sequence failing, const std::function<bool(const model::Sequence&)>& fails,
                       int budget = 300);
} // namespace generate

#endif // CONFIRM_GENERATOR_H
