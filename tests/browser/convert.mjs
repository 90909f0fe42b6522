// Shared by the browser test and the screenshot script: runs the built
// tintext program and starts Debian's chromium.
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';

export const chromiumPath = '/usr/bin/chromium';

// The output of tintext for `input` with the extra options, as text.
export function convert(tintext, input, options = []) {
  return execFileSync(tintext, [`/in=${input}`, '/out=-', '/showoutput=0', ...options], {
    encoding: 'utf8',
    maxBuffer: 64 << 20,
  });
}

// The text a browser's DOM holds for the source: the HTML parser turns CR LF
// and a lone CR into LF.
export function domText(source) {
  return source.replace(/\r\n?/g, '\n');
}

// A browser context in a new, empty profile; { missing } names what is not
// installed instead.
export async function launchChromium() {
  let chromium;
  try {
    ({ chromium } = await import('playwright-core'));
  } catch {
    return { missing: 'the npm package playwright-core (npm install --prefix tests/browser)' };
  }
  if (!existsSync(chromiumPath)) return { missing: `${chromiumPath} (apt-get install chromium)` };
  const profile = mkdtempSync(path.join(tmpdir(), 'tintext-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: chromiumPath,
    headless: true,
    args: [
      '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
    ],
  });
  return { context, close: async () => { await context.close(); rmSync(profile, { recursive: true, force: true }); } };
}
