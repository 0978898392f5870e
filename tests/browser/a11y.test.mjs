// Accessibility of what a site publishes: an axe-core audit of pages that carry every link part
// (the sample site's top page and a diary entry two folders down, a site made by zebhost init),
// after the site script ran. A serious or critical violation fails; lesser ones are listed.
//
// Usage: node a11y.test.mjs URL...
import { chromium } from 'playwright-core';
import fs from 'node:fs';
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
const axeSource = fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
const urls = process.argv.slice(2);

const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--disable-quic'],
});
let failures = 0;
try {
  const page = await browser.newPage();
  for (const url of urls) {
    await page.goto(url, { waitUntil: 'load' });
    await page.addScriptTag({ content: axeSource });
    const { violations } = await page.evaluate(() => window.axe.run(document));
    for (const v of violations) {
      const serious = v.impact === 'serious' || v.impact === 'critical';
      failures += serious ? 1 : 0;
      const where = v.nodes.slice(0, 3).map((n) => n.target.join(' ')).join(', ');
      console.log(`a11y: ${serious ? 'FAILED' : 'note'}: ${url}: ${v.impact} ${v.id} (${v.help}) at ${where}`);
    }
  }
} finally {
  await browser.close();
}
console.log(`a11y: ${failures === 0 ? 'ok' : 'FAILED'} (${urls.length} pages, ${failures} serious or critical)`);
process.exit(failures === 0 ? 0 : 1);
