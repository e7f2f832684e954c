# The sanitizers' run-time settings for scripts/test-sanitize and
# scripts/monkey. Sourced, not run.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$DIPVIEW_ROOT/scripts/lsan.supp:print_suppressions=0}
# Tests that sample many arguments take a smaller sample under the sanitizers.
export DIPVIEW_SANITIZE_RUN=1
