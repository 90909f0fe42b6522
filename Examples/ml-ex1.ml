(* A word counter over standard input.
   (* OCaml comments nest, and "strings *)" inside them are skipped. *) *)

module StringMap = Map.Make (String)

type stats = {
  mutable lines : int;
  mutable words : int;
  counts : int StringMap.t ref;
}

let empty () = { lines = 0; words = 0; counts = ref StringMap.empty }

let add_word stats w =
  let w = String.lowercase_ascii w in
  stats.words <- stats.words + 1;
  stats.counts :=
    StringMap.update w
      (function None -> Some 1 | Some n -> Some (n + 1))
      !(stats.counts)

let split line =
  String.split_on_char ' ' line |> List.filter (fun s -> s <> "")

let rec read_all stats =
  match input_line stdin with
  | line ->
      stats.lines <- stats.lines + 1;
      List.iter (add_word stats) (split line);
      read_all stats
  | exception End_of_file -> stats

let top n (m : int StringMap.t) : (string * int) list =
  StringMap.bindings m
  |> List.sort (fun (_, a) (_, b) -> compare b a)
  |> List.filteri (fun i _ -> i < n)

let () =
  let s = read_all (empty ()) in
  Printf.printf "%d lines, %d words\n" s.lines s.words;
  List.iter (fun (w, n) -> Printf.printf "%-12s %5d\t%c\n" w n '*') (top 0x0A !(s.counts));
  let raw = {|A quoted string with "quotes" and \n kept|} in
  let ratio = 2.5e-1 +. float_of_int 1_000 in
  print_endline raw; ignore ratio; ignore (( * ) 2 3)
  [@@warning "-26"]
