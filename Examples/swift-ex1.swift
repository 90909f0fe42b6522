import Foundation

/* A temperature log.
   /* Swift block comments nest. */ */

/// One reading from a sensor.
struct Reading: Codable, CustomStringConvertible {
    let sensor: String
    let celsius: Double
    var fahrenheit: Double { celsius * 9 / 5 + 32 }

    var description: String {
        "\(sensor): \(String(format: "%.1f", celsius)) °C"
    }
}

enum LogError: Error {
    case empty
    case outOfRange(Double)
}

@discardableResult
func average(_ readings: [Reading]) throws -> Double {
    guard !readings.isEmpty else { throw LogError.empty }
    let total = readings.reduce(0.0) { $0 + $1.celsius }
    return total / Double(readings.count)
}

#if DEBUG
let verbose = true
#else
let verbose = false
#endif

let readings = [
    Reading(sensor: "north", celsius: 21.5),
    Reading(sensor: "south\t2", celsius: -3.25e1),
]
let hex = 0xFF_FF, bin = 0b1010, million = 1_000_000
do {
    let avg = try average(readings)
    print("Average: \(avg) over \(readings.count) readings\n")
} catch LogError.outOfRange(let value) {
    print("out of range: \(value)")
} catch {
    print("failed: \(error)")
}
let raw = #"A raw "string" with \n kept and \#(hex) interpolated"#
let poem = """
    Cold morning,
    "quoted" line \(readings.first?.sensor ?? "none")
    """
print(raw, poem, hex, bin, million, verbose)
