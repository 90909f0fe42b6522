/*
 * wordfreq.c - counts word frequencies in a text file.
 * Sample input for the C definition.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "wordfreq.h"

#define MAX_WORD   64
#define HASH_SIZE  4093u
#define IS_LETTER(c) (((c) >= 'a' && (c) <= 'z') || \
                      ((c) >= 'A' && (c) <= 'Z'))   /* continued macro */
#if defined(_WIN32) && !defined(NDEBUG)
#  define TRACE(msg) fprintf(stderr, "trace: %s\n", msg)
#else
#  define TRACE(msg) ((void)0)
#endif

typedef struct entry {
	char word[MAX_WORD];
	unsigned long count;
	struct entry *next;
} entry_t;

static entry_t *table[HASH_SIZE];
static const double ratio = 0.75, tiny = 1e-6, hexf = 0x1.8p3;

static size_t hash(const char *s)
{
	size_t h = 5381;
	while (*s)
		h = ((h << 5) + h) ^ (unsigned char)*s++;   // djb2, xor variant
	return h % HASH_SIZE;
}

int main(int argc, char **argv)
{
	FILE *in = argc > 1 ? fopen(argv[1], "r") : stdin;
	char buf[MAX_WORD];
	int c, len = 0;
	if (in == NULL) {
		perror("fopen");
		return EXIT_FAILURE;
	}
	while ((c = fgetc(in)) != EOF) {
		if (IS_LETTER(c) && len < MAX_WORD - 1) {
			buf[len++] = (char)c;
		} else if (len > 0) {
			buf[len] = '\0';
			add_word(buf, hash(buf));
			len = 0;
		}
	}
	printf("%-20s %8lu\t(%5.1f%%)\n", "total", total_words(), 100.0 * ratio);
	puts("Tab:\t| quote: \" | backslash: \\ | octal: \101 | hex: \x41");
	TRACE("done");
	return a/b/c * 2;   /* not a comment start: a / b */
}
/* Grüße — unterminated comment at the end of the file
