// ForEachTarget: runs a test body once for each SIMD target of this build that the
// processor has, so that every code path of a dispatched kernel is compared.
#pragma once

#include <gtest/gtest.h>

#include "hwy/targets.h"

// Runs check once for every SIMD target compiled in that this processor has, the plain
// one-lane target included, then gives the choice back to the run-time detection.
template <class Check>
void ForEachTarget(Check check) {
  for (const int64_t target : hwy::SupportedAndGeneratedTargets()) {
    hwy::SetSupportedTargetsForTest(target);
    SCOPED_TRACE(hwy::TargetName(target));
    check();
  }
  hwy::SetSupportedTargetsForTest(0);
}
