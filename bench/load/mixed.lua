-- What screens do while people work, in proportion: loads, the checks that run before each post
-- (blocked flag, other periods, concluded uses), lookups, and saves. The save is an update whose old
-- and new rows are the stored row (BENCH_SAVE_DELTA, prepared by run.sh), so concurrent connections
-- never conflict while each save still runs the whole checked transaction.
local year = os.getenv("BENCH_YEAR") or "2026"
local version = os.getenv("BENCH_VERSION") or "2"
local code = os.getenv("BENCH_CODE") or "0000000001"
local delta = os.getenv("BENCH_SAVE_DELTA")
local path = os.getenv("BENCH_PATH") or "/rpc/ZRM71300.rdmCalendOrcOp"
local token = os.getenv("BENCH_TOKEN")

local calls = {
  {"GetCalendOrcOp", '["' .. year .. '",""]'},
  {"GetCalendOrcOp", '["' .. year .. '","' .. version .. '"]'},
  {"GetVersao", '["' .. year .. '","","T"]'},
  {"GetFaseOrc", '["T"]'},
  {"ValCiclo", '[' .. year .. ']'},
  {"GetValDateBloq", '["' .. code .. '"]'},
  {"GetDateBloq", '[' .. year .. ',"' .. version .. '","' .. code .. '"]'},
  {"BloqDelFase", '["' .. code .. '",' .. year .. ',"' .. version .. '"]'},
  {"GetFaseOrc", '["' .. code .. '"]'},
  {"SetCalendOrcOp", '[' .. delta .. ']'},
}

-- Made in init, once wrk knows the Host header: a request without one is refused (by a proxy too).
local requests = {}
function init()
  local headers = {["Content-Type"] = "application/json", ["Host"] = wrk.headers["Host"]}
  if token and token ~= "" then headers["Authorization"] = "Bearer " .. token end
  for i, call in ipairs(calls) do
    local body = '{"jsonrpc":"2.0","id":' .. i .. ',"method":"' .. call[1] .. '","params":' .. call[2] .. '}'
    requests[i] = wrk.format("POST", path, headers, body)
  end
end

local next = 0
function request()
  next = next % #requests + 1
  return requests[next]
end
