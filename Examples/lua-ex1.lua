#!/usr/bin/env lua
-- A queue with a fixed capacity, and a small test of it.

--[[ Long comments
     can span lines. ]]
--[==[ and use levels: ]] does not end this one ]==]

local Queue = {}
Queue.__index = Queue

function Queue.new(capacity)
  assert(type(capacity) == "number", "capacity must be a number")
  return setmetatable({ items = {}, first = 1, last = 0, capacity = capacity }, Queue)
end

function Queue:push(value)
  if self.last - self.first + 1 >= self.capacity then
    return nil, 'queue is full\t(' .. self.capacity .. ")"
  end
  self.last = self.last + 1
  self.items[self.last] = value
  return true
end

function Queue:pop()
  if self.first > self.last then return nil end
  local value = self.items[self.first]
  self.items[self.first] = nil
  self.first = self.first + 1
  return value
end

local q = Queue.new(0x03)
for i = 1, 4 do
  local ok, err = q:push(i * 1.5e1)
  if not ok then print(err) goto done end
end
::done::
local text = [[
raw "text" with \n kept]]
local nested = [==[ a ]] inside ]==]
print(q:pop(), #q.items, text, nested, 10 // 3, 2^8 ~= 256, "\65\u{48}")
