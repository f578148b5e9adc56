#!/usr/bin/env bash
# Fails when a QtTest assertion macro appears anywhere in tests/. Inside a GoogleTest
# test such a macro only returns from the function it stands in, so GoogleTest never
# hears of the failure and the test passes; waits are written
# ASSERT_TRUE(QTest::qWaitFor(...)) instead.
set -euo pipefail
cd "$(dirname "$0")/.."

pattern='\bQ(VERIFY|COMPARE|TRY|FAIL|EXPECT_FAIL|SKIP|FETCH|WARN|TEST|BENCHMARK|THROWS)[A-Z0-9_]*\b'
if grep -rnE "$pattern" tests; then
    echo "check_tests.sh: QtTest macros do not fail a GoogleTest test; use GoogleTest's assertions" >&2
    exit 1
fi
