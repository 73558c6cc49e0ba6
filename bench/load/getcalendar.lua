-- One screen load after another: GetCalendOrcOp of the demo year's latest version.
-- BENCH_YEAR and BENCH_TOKEN come from run.sh.
local year = os.getenv("BENCH_YEAR") or "2026"
wrk.method = "POST"
wrk.headers["Content-Type"] = "application/json"
local token = os.getenv("BENCH_TOKEN")
if token and token ~= "" then wrk.headers["Authorization"] = "Bearer " .. token end
wrk.body = '{"jsonrpc":"2.0","id":1,"method":"GetCalendOrcOp","params":["' .. year .. '",""]}'
