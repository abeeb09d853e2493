#pragma once
// The Japanese collator behind every name order, one per thread (a
// collator is not safe to share between threads).

#include <unicode/coll.h>

namespace fv::text {

icu::Collator& JapaneseCollator();

}  // namespace fv::text
