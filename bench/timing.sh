# Timing helpers shared by the bench scripts (sourced, not run).
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", b - a }'; }
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

# One of the aims beside the figure it is about, and the verdict:
#   aim "what" FIGURE LIMIT UNIT   (UNIT "s" for seconds, "x" for a ratio; lower is better)
# prints e.g. "  aim: scan <= 1.50x dd   now 1.62x   aim missed by 0.12x (8%)".
aim() {
  awk -v what="$1" -v v="$2" -v lim="$3" -v unit="$4" 'BEGIN {
    if (v == "" || v == "-") { printf "  aim: %s <= %.2f%s   no figure\n", what, lim, unit; exit }
    verdict = v <= lim ? "aim met" : sprintf("aim missed by %.2f%s (%.0f%%)", v - lim, unit, (v - lim) * 100 / lim)
    printf "  aim: %s <= %.2f%s   now %.2f%s   %s\n", what, lim, unit, v, unit, verdict
  }'
}
