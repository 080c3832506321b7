// A check of a new project against its old one, on the console: the verdict with its counts, or
// the first differences (a report holds them all).
#pragma once

#include "vconvert/uProjectCheck.h"

#include <cstddef>
#include <iosfwd>
#include <string>

namespace vcli {

// Differences shown on the console; the report lists every one.
inline constexpr std::size_t ShownDifferences = 20;

// "verified: 1200 rows, 3 targets, 2 excludes, 2 languages", or the count of differences and the
// first of them, one a line; nothing for a file that could not be read (see CheckFailureText).
void PrintCheckResult(std::ostream& aOut, const vconvert::TCheckResult& aResult);

// Why the check did not pass, in one line: the file that cannot be read and the reader's
// message, or how many differences there are.
std::string CheckFailureText(const vconvert::TCheckResult& aResult);

} // namespace vcli
