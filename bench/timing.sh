# Shared by the timing scripts (sourced): one timed run and the summary of
# many.
# elapsed DIR COMMAND...: microseconds of one run of COMMAND in DIR, its
# outputs there (x.lst, x.obj, x.o) removed first so that each run writes
# them afresh (a listing that replaces an existing file costs the file
# system a flush).
elapsed() {
  local dir=$1 t0 t1
  shift
  rm -f "$dir/x.lst" "$dir/x.obj" "$dir/x.o"
  t0=$(date +%s%N)
  (cd "$dir" && "$@" > /dev/null 2>&1 || true)
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000))
}
# summary FILE: "min median" in milliseconds of the microseconds in FILE.
summary() {
  sort -n "$1" | awk '{ a[NR] = $1 } END { printf "%.1f %.1f", a[1] / 1000, a[int((NR + 1) / 2)] / 1000 }'
}
