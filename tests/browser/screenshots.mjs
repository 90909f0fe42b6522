// One screenshot per theme of a converted example, for the help page and the
// README: node tests/browser/screenshots.mjs BUILD/app/tintext SOURCE-FOLDER OUT-FOLDER
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { convert, launchChromium } from './convert.mjs';

const [tintext, source, out] = process.argv.slice(2);
const example = path.join(source, 'Examples', 'js-ex1.js');
const themes = ['light', 'dark', 'high-contrast'];
const work = mkdtempSync(path.join(tmpdir(), 'tintext-shots-'));

const launched = await launchChromium();
if (!launched.context) {
  console.error(`screenshots need ${launched.missing}`);
  process.exit(1);
}
const page = await launched.context.newPage();
await page.setViewportSize({ width: 760, height: 330 });
// The theme auto looks like light or dark, as the reader's system prefers.
for (const theme of themes) {
  const file = path.join(work, `${theme}.html`);
  writeFileSync(file, convert(tintext, example, [`/theme=${theme}`, '/linenumbers=1', '/highlight=13-14']));
  await page.goto(`${pathToFileURL(file).href}#L11`);
  await page.evaluate(() => scrollTo(0, 0));
  const name = path.join(out, `theme-${theme}.png`);
  await page.screenshot({ path: name });
  console.log(name);
}
await launched.close();
rmSync(work, { recursive: true, force: true });
