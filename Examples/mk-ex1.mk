# Builds the manual and a small tool; `make help` lists the targets.
PREFIX ?= /usr/local
CC := gcc
CFLAGS += -O2 -Wall -Wextra
SOURCES := $(wildcard src/*.c)
OBJECTS := $(patsubst src/%.c,build/%.o,$(SOURCES))
VERSION = $(shell git describe --tags 2>/dev/null || echo "0.0")

ifeq ($(DEBUG),1)
  CFLAGS += -g -DDEBUG
else
  CFLAGS += -DNDEBUG
endif

.PHONY: all clean install help

all: build/tool manual.html

build/tool: $(OBJECTS) | build
	$(CC) $(CFLAGS) -o $@ $^ $(LDLIBS)

build/%.o: src/%.c
	@echo "compiling $< for version $(VERSION)"
	$(CC) $(CFLAGS) -c -o $@ $<

build:
	mkdir -p $@

manual.html: manual.md
	pandoc --standalone $< > $@ \
	  && echo 'done: ${@}'

install: build/tool
	install -m 0755 build/tool $(DESTDIR)$(PREFIX)/bin/tool

define HELP_TEXT
Targets: all, clean, install
endef
export HELP_TEXT

help:
	@echo "$$HELP_TEXT"

clean:
	-rm -rf build manual.html  # remove everything built
