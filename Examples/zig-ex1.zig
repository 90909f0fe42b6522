//! A fixed-size ring buffer with a small test.
const std = @import("std");
const assert = std.debug.assert;

/// A ring buffer of `capacity` items of type `T`.
pub fn Ring(comptime T: type, comptime capacity: usize) type {
    return struct {
        const Self = @This();

        items: [capacity]T = undefined,
        head: usize = 0,
        len: usize = 0,

        pub fn push(self: *Self, value: T) error{Full}!void {
            if (self.len == capacity) return error.Full;
            self.items[(self.head + self.len) % capacity] = value;
            self.len += 1;
        }

        pub fn pop(self: *Self) ?T {
            if (self.len == 0) return null;
            defer {
                self.head = (self.head + 1) % capacity;
                self.len -= 1;
            }
            return self.items[self.head];
        }
    };
}

pub fn main() !void {
    var ring = Ring(u32, 4){};
    try ring.push(0x2A);
    try ring.push(1_000);
    const ratio: f64 = 2.5e-1;
    const tab = '\t';
    const banner =
        \\Ring buffer demo
        \\  "quotes" and \n stay as written
    ;
    std.debug.print("{s}: {d} {d:.2}{c}\n", .{ banner, ring.pop().?, ratio, tab });
}

test "push and pop" {
    var r = Ring(i8, 2){};
    try r.push(-1);
    try std.testing.expectEqual(@as(?i8, -1), r.pop());
}
