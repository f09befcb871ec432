-- Logs in to the device, runs a command, checks its answer and logs out, round after
-- round; ends with exit code 0 when every round passed.
--   orvo232 --script login.lua --com 1 -- [ROUNDS] [PASSWORD]
local rounds = tonumber(arg[1]) or 10
local password = arg[2] or "secret"

-- Sends a line and waits up to 3 s for the answer; gives up with exit code 2.
local function step(line, answer)
  port.send(line .. "\r")
  if not port.expect_plain(answer, 3000) then
    log(("round failed: no %q after %q"):format(answer, line))
    exit(2)
  end
end

for round = 1, rounds do
  port.flush_input()
  step("", "login: ")
  step("root", "Password: ")
  step(password, "# ")
  port.send("uname\r")
  -- The whole match comes first, then the captures.
  local answer, name, version = port.expect("uname\r\n(%w+) ([%d.]+)\r\n# ", 3000)
  if not answer then
    log("round failed: no answer to uname")
    exit(3)
  end
  log(("round %d: %s %s"):format(round, name, version))
  step("exit", "logout")
end
log("passed")
