-- Saves only: the accepted update of a stored row (BENCH_SAVE_DELTA, prepared by run.sh's
-- savedelta.py), over and over. Not part of run.sh's table; run by hand with wrk to see how saves
-- queue and group, e.g. wrk -c8 -d5s -s bench/load/saveonly.lua http://127.0.0.1:PORT/rpc/ZRM71300.rdmCalendOrcOp
local delta = os.getenv("BENCH_SAVE_DELTA")
local path = os.getenv("BENCH_PATH") or "/rpc/ZRM71300.rdmCalendOrcOp"
local body = '{"jsonrpc":"2.0","id":1,"method":"SetCalendOrcOp","params":[' .. delta .. ']}'
local save
-- Made in init, once wrk knows the Host header: a request without one is refused.
function init()
  save = wrk.format("POST", path, {["Content-Type"] = "application/json", ["Host"] = wrk.headers["Host"]}, body)
end

function request()
  return save
end
