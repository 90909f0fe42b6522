// Tintext's output in a real browser (Debian's chromium, headless), for every
// example and every mode: the text read back from the DOM is the source; an
// embedded fragment leaves its host page's styles alone; #L<n> scrolls to
// line n and marks it; the dark theme's background is dark.
//   node tests/browser/browser_test.mjs BUILD/app/tintext SOURCE-FOLDER
// Exit status 77 (and a message) when chromium or playwright-core is missing,
// unless CI is set, where that is a failure.
import { mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { convert, domText, launchChromium } from './convert.mjs';

const [tintext, source] = process.argv.slice(2);
const examplesFolder = path.join(source, 'Examples');
const examples = readdirSync(examplesFolder).sort();
const work = mkdtempSync(path.join(tmpdir(), 'tintext-browser-'));

let passed = 0;
let failed = 0;
function check(what, ok, detail = '') {
  if (ok) {
    passed++;
  } else {
    failed++;
    console.log(`FAILED: ${what}${detail ? `\n  ${detail}` : ''}`);
  }
}

// A host page with styles of its own on body, pre, code and two of
// Tintext's class names, and elements that use them outside the fragment.
function hostPage(fragment) {
  return `<!DOCTYPE html><html lang="en"><head><meta charset="utf-8"><title>host</title><style>
body{background:rgb(250,240,230);color:rgb(10,20,30);font-family:serif;margin:9px}
pre{background:rgb(200,200,255);color:rgb(0,100,0);padding:3px;white-space:pre-wrap;font-size:17px}
code{font-size:19px;color:rgb(1,2,3)}
.cm{color:rgb(255,0,0);font-style:normal}.kw{font-weight:100}.line{display:block}
</style></head><body><p>Host</p><pre id="host-pre">pre</pre><code id="host-code">code</code>
<span id="host-cm" class="cm">cm</span><span id="host-kw" class="kw">kw</span><span id="host-line" class="line">x</span>
${fragment}</body></html>`;
}

const hostProbe = () => {
  const props = ['background-color', 'color', 'font-family', 'font-size', 'font-style', 'font-weight', 'margin',
    'padding', 'white-space', 'display'];
  const style = (el) => { const s = getComputedStyle(el); return props.map((p) => `${p}:${s.getPropertyValue(p)}`).join(';'); };
  return ['body', '#host-pre', '#host-code', '#host-cm', '#host-kw', '#host-line']
    .map((sel) => `${sel} {${style(document.querySelector(sel))}}`);
};

// The code element's text read three ways: the DOM, the rendered text, and a
// selection of all of it (what a copy takes).
const readBack = () => {
  const code = document.querySelector('pre code');
  const range = document.createRange();
  range.selectNodeContents(code);
  const selection = getSelection();
  selection.removeAllRanges();
  selection.addRange(range);
  return { textContent: code.textContent, innerText: code.innerText, selection: selection.toString() };
};

function firstDifference(expected, actual) {
  let i = 0;
  while (i < expected.length && expected[i] === actual[i]) i++;
  return `at ${i}: expected ${JSON.stringify(expected.slice(i, i + 30))}, got ${JSON.stringify(actual.slice(i, i + 30))}`;
}

// A selection leaves out the last line feed of the text, as it does in any
// <pre>: that line feed ends the last line and starts none.
async function expectSourceText(page, what, expected) {
  const texts = await page.evaluate(readBack);
  for (const [how, text] of Object.entries(texts)) {
    const want = how === 'selection' ? expected.replace(/\n$/, '') : expected;
    check(`${what}: ${how} is the source`, text === want, text === want ? '' : firstDifference(want, text));
  }
}

function luminance(rgb) {
  const [r, g, b] = rgb.match(/\d+(\.\d+)?/g).slice(0, 3).map(Number);
  return (0.2126 * r + 0.7152 * g + 0.0722 * b) / 255;
}

const started = Date.now();
const launched = await launchChromium();
if (!launched.context) {
  rmSync(work, { recursive: true, force: true });
  if (process.env.CI) {
    console.log(`browser tests cannot run in CI: missing ${launched.missing}`);
    process.exit(1);
  }
  console.log(`browser tests skipped: missing ${launched.missing}`);
  process.exit(77);
}
const { context } = launched;
const page = await context.newPage();
await page.setViewportSize({ width: 900, height: 300 });

const open = async (file, html, hash = '') => {
  writeFileSync(path.join(work, file), html);
  await page.goto(pathToFileURL(path.join(work, file)).href + hash);
};

await open('host.html', hostPage(''));
const hostAlone = await page.evaluate(hostProbe);

for (const example of examples) {
  const input = path.join(examplesFolder, example);
  const expected = domText(readFileSync(input, 'utf8'));
  const lines = expected.split('\n').length - (expected.endsWith('\n') ? 1 : 0);

  // A whole page, in the light and the dark colour scheme.
  await open('page.html', convert(tintext, input));
  await expectSourceText(page, `${example} page`, expected);
  check(`${example} page: title is the file name`, (await page.title()) === example, await page.title());
  for (const [scheme, dark] of [['light', false], ['dark', true]]) {
    await page.emulateMedia({ colorScheme: scheme });
    const background = await page.evaluate(() => getComputedStyle(document.body).backgroundColor);
    check(`${example} page: background in the ${scheme} scheme`, (luminance(background) < 0.2) === dark, background);
  }
  await page.emulateMedia({ colorScheme: 'light' });

  // A fragment inside a host page with styles of its own.
  await open('host.html', hostPage(convert(tintext, input, ['/fragment=1'])));
  await expectSourceText(page, `${example} fragment`, expected);
  const hostWith = await page.evaluate(hostProbe);
  hostAlone.forEach((style, k) => check(`${example} fragment: host style unchanged`, style === hostWith[k],
    `${style}\n  became ${hostWith[k]}`));

  // Line numbers and a marked line: the numbers stay out of the text, and
  // #L<n> brings line n into view and marks it.
  await open('lines.html', convert(tintext, input, ['/linenumbers=1', '/highlight=2']));
  await expectSourceText(page, `${example} line numbers`, expected);
  const target = Math.max(1, Math.min(lines, 30));
  await page.goto(pathToFileURL(path.join(work, 'lines.html')).href + `#L${target}`);
  const at = await page.evaluate((n) => {
    const line = document.getElementById(`L${n}`);
    const box = line.getBoundingClientRect();
    // A marked line has a band of colour under it, drawn after its mark.
    const band = (mark) => {
      const after = getComputedStyle(mark, '::after');
      return after.content === 'none' ? 'none' : after.backgroundColor;
    };
    const unmarked = [...document.querySelectorAll('.ln:not(.hl)')].find((mark) => mark !== line);
    return { top: box.top, height: innerHeight, base: getComputedStyle(document.body).backgroundColor,
      target: band(line), highlight: band(document.getElementById('L2') ?? line),
      unmarked: unmarked ? band(unmarked) : 'none', link: line.getAttribute('href'), scrolled: scrollY };
  }, target);
  const isBand = (colour) => colour !== 'none' && colour !== at.base && colour !== 'rgba(0, 0, 0, 0)';
  check(`${example} line numbers: #L${target} is in view`, at.top >= -1 && at.top < at.height, JSON.stringify(at));
  check(`${example} line numbers: #L${target} and line 2 are marked, other lines not`,
    isBand(at.target) && isBand(at.highlight) && at.unmarked === 'none', JSON.stringify(at));
  check(`${example} line numbers: the number links to #L${target}`, at.link === `#L${target}`, JSON.stringify(at));

  // Wrapped lines: nothing scrolls sideways, and the text is still the source.
  await open('wrap.html', convert(tintext, input, ['/linenumbers=1', '/wrap=1']));
  await expectSourceText(page, `${example} wrap`, expected);
  const wraps = await page.evaluate(() => {
    const pre = document.querySelector('pre');
    const code = pre.querySelector('code');
    const textLeft = code.getBoundingClientRect().left + parseFloat(getComputedStyle(code).paddingLeft);
    const rights = new Set([...code.querySelectorAll('.ln')].map((mark) => Math.round(mark.getBoundingClientRect().right)));
    return { fits: pre.scrollWidth <= pre.clientWidth, rights: [...rights], textLeft };
  });
  check(`${example} wrap: no sideways scrolling`, wraps.fits);
  check(`${example} wrap: the numbers line up, clear of the text`,
    wraps.rights.length === 1 && wraps.rights[0] <= wraps.textLeft, JSON.stringify(wraps));

  // Style attributes: no stylesheet and no classes of the theme, colours all the same.
  await open('inline.html', hostPage(convert(tintext, input, ['/inline=1', '/fragment=1'])));
  await expectSourceText(page, `${example} inline`, expected);
  const inline = await page.evaluate(() => ({
    sheets: document.querySelectorAll('pre style, div > style').length,
    preStyled: document.querySelector('pre:not(#host-pre)').hasAttribute('style'),
    classes: [...document.querySelectorAll('pre code [class]')].map((e) => e.className),
  }));
  check(`${example} inline: style attributes and no stylesheet`,
    inline.sheets === 0 && inline.preStyled && inline.classes.length === 0, JSON.stringify(inline));
}

await launched.close();
rmSync(work, { recursive: true, force: true });
console.log(`browser tests: ${examples.length} examples in ${((Date.now() - started) / 1000).toFixed(1)} s`);
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
