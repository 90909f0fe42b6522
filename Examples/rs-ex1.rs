//! A small inventory with a lifetime-bound view.
use std::collections::HashMap;
use std::fmt;

/* Block comments /* nest */ in Rust, so this is still a comment. */

#[derive(Debug, Clone, PartialEq)]
pub enum Unit {
    Piece,
    Kilogram(f64),
}

/// One line of stock.
pub struct Item<'a> {
    name: &'a str,
    unit: Unit,
    count: u32,
}

impl<'a> fmt::Display for Item<'a> {
    fn fmt(&self, f: &mut fmt::Formatter<'_>) -> fmt::Result {
        write!(f, "{:<12} {count:>4}", self.name, count = self.count)
    }
}

fn parse_line(line: &str) -> Result<(String, u32), String> {
    let mut parts = line.splitn(2, '=');
    let name = parts.next().ok_or("no name")?.trim().to_string();
    let count = parts
        .next()
        .ok_or_else(|| format!("no count in {line:?}"))?
        .trim()
        .parse::<u32>()
        .map_err(|e| e.to_string())?;
    Ok((name, count))
}

fn main() {
    let mut stock: HashMap<String, u32> = HashMap::new();
    let input = r#"apples = 12
pears = "7""#;
    for line in input.lines() {
        match parse_line(line) {
            Ok((name, n)) if n > 0 => { stock.insert(name, n); }
            Ok(_) => {}
            Err(msg) => eprintln!("skipped: {}\n", msg),
        }
    }
    let weight = Unit::Kilogram(2.5e0);
    let bytes = b"\x00\xff";
    let total: u64 = stock.values().map(|&n| n as u64).sum::<u64>() + 0xFF_u64 + 1_000;
    'outer: loop {
        if total > 0 { break 'outer; }
    }
    let tab = '\t';
    println!("{total} items {:?} {:?}{}", weight, bytes, tab);
}
