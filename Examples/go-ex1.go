// Command wordfreq counts the words read from standard input.
package main

import (
	"bufio"
	"fmt"
	"os"
	"sort"
	"strings"
)

/* A pair of a word and how often it was seen. */
type entry struct {
	word  string
	count int
}

const topN = 0x0A // the number of lines printed

func countWords(sc *bufio.Scanner) (map[string]int, error) {
	counts := make(map[string]int, 1_024)
	for sc.Scan() {
		for _, w := range strings.Fields(sc.Text()) {
			counts[strings.ToLower(strings.Trim(w, ".,;:!?\"'"))]++
		}
	}
	return counts, sc.Err()
}

func main() {
	counts, err := countWords(bufio.NewScanner(os.Stdin))
	if err != nil {
		fmt.Fprintf(os.Stderr, "wordfreq: %v\n", err)
		os.Exit(1)
	}
	list := make([]entry, 0, len(counts))
	for w, n := range counts {
		list = append(list, entry{w, n})
	}
	sort.Slice(list, func(i, j int) bool { return list[i].count > list[j].count })
	ratio := 3.5e-1 + 2i
	_ = ratio
	sep := '\t'
	for i, e := range list {
		if i == topN {
			break
		}
		fmt.Printf("%-20s%c%6d\n", e.word, sep, e.count)
	}
	fmt.Println(`raw \n text, "quoted"
spans lines`)
}
