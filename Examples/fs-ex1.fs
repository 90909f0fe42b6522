module Inventory

open System

(* Stock of a shop.
   (* F# block comments nest. *) *)

/// One product line.
[<Struct>]
type Product = { Sku: string; Name: string; Price: decimal; Count: int }

type Event =
    | Received of sku: string * count: int
    | Sold of sku: string * count: int
    | Discontinued of string

let apply (stock: Map<string, Product>) event =
    match event with
    | Received (sku, n) ->
        stock |> Map.change sku (Option.map (fun p -> { p with Count = p.Count + n }))
    | Sold (sku, n) when n > 0 ->
        stock |> Map.change sku (Option.map (fun p -> { p with Count = max 0 (p.Count - n) }))
    | Sold _ -> stock
    | Discontinued sku -> Map.remove sku stock

#if DEBUG
let verbose = true
#else
let verbose = false
#endif

[<EntryPoint>]
let main argv =
    let start =
        [ { Sku = "T-1"; Name = "Tea"; Price = 4.50M; Count = 10 }
          { Sku = "M-2"; Name = "Mug \"blue\""; Price = 12.00M; Count = 0x03 } ]
        |> List.map (fun p -> p.Sku, p)
        |> Map.ofList
    let events = [ Received ("M-2", 5); Sold ("T-1", 3); Discontinued "X-9" ]
    let stock = List.fold apply start events
    for KeyValue (sku, p) in stock do
        printfn "%-5s %-12s %3d\t%M" sku p.Name p.Count p.Price
    let total = stock |> Seq.sumBy (fun kv -> kv.Value.Price * decimal kv.Value.Count)
    printfn $"Total value: {total:N2} ({stock.Count} lines, {{braces}})"
    let path = @"C:\shop\stock.csv"
    let note = """A "triple-quoted" string"""
    let c = 'x'
    printfn "%s %s %c %f" path note c 1.5e3
    0
