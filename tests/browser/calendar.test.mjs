// The published calendar in a real browser: the sample site, after the main job, served over
// HTTP. The top page shows the category link parts and the current month's calendar; "prev" and
// "next" swap in the neighbouring month's calendar, whose day links point at that month's
// entries; the controls at the ends of the chain are disabled and do nothing. Today is marked in
// the current month. A diary entry two folders down
// carries the calendar and a category part too: its links open the right pages and the controls
// change the month there as well. Last, while the top page is open, the CMS adds a news entry to
// the site's data: the preview server rebuilds the site and the page reloads and shows it.
//
// Usage: node calendar.test.mjs BASE_URL ARTIFACT_DIR FIRST_MONTH LAST_MONTH SITE_DIR
import { chromium } from 'playwright-core';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';

const [baseUrl, artifactDir, firstMonth, lastMonth, siteDir] = process.argv.slice(2);
const CALENDAR = '#zebsitec001table000001';

function nextMonth(text, step) {
  let [y, m] = text.split('-').map(Number);
  m += step;
  if (m === 0) { y -= 1; m = 12; }
  if (m === 13) { y += 1; m = 1; }
  return `${String(y).padStart(4, '0')}-${String(m).padStart(2, '0')}`;
}

async function calendarMonth(page) {
  return page.$eval(CALENDAR, (el) => el.getAttribute('summary'));
}

// The day links as the browser resolves them from the page.
async function dayLinks(page) {
  return page.$$eval(`${CALENDAR} td a`, (links) => links.map((a) => a.href));
}

// Every link of the link parts (but the calendar's controls) opens a page.
async function checkLinksOpen(page) {
  const links = await page.$$eval('[id^="zebsitec"] a[href]', (as) => as.map((a) => a.href));
  const pages = links.filter((href) => href.startsWith('http'));
  assert.ok(pages.length > 0, 'the link parts link somewhere');
  for (const href of pages) {
    const response = await page.request.get(href);
    assert.equal(response.status(), 200, `${href} opens`);
  }
}

// Clicks a control and waits for the calendar to show the expected month (or, when expected is
// null, checks that nothing changes).
async function click(page, name, expected) {
  const before = await calendarMonth(page);
  const control = `${CALENDAR} [name="${name}"]`;
  const disabled = await page.getAttribute(control, 'aria-disabled');
  assert.equal(disabled, expected === null ? 'true' : null, `${name} in ${before}: aria-disabled`);
  if (expected === null) {
    assert.equal(await page.getAttribute(control, 'href'), null, `${name} at the end of the chain is no live link`);
    await page.click(control, { force: true });
    await page.waitForTimeout(500);
    assert.equal(await calendarMonth(page), before, `${name} at the end of the chain must do nothing`);
    return;
  }
  await page.click(control);
  await page.waitForFunction(([sel, month]) => {
    const el = document.querySelector(sel);
    return el && el.getAttribute('summary') === month;
  }, [CALENDAR, expected], { timeout: 5000 });
}

async function checkDayLinks(page, month) {
  const links = await dayLinks(page);
  assert.ok(links.length > 0, `the calendar of ${month} links some days`);
  const folder = month.replace('-', '');
  for (const href of links) {
    assert.ok(href.includes(folder), `day link ${href} points into ${month}'s entries`);
  }
}

const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--disable-quic'],
});
let failed = false;
try {
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(`${baseUrl}/index.html`);

  // The category link parts and the current month's calendar are on the top page.
  const ids = await page.$$eval('[id^="zebsitec"]', (els) => els.map((e) => e.id));
  assert.ok(ids.includes('zebsitec001table000001'), 'the calendar is on the page');
  assert.ok(ids.filter((id) => id !== 'zebsitec001table000001').length >= 2, `category link parts: ${ids}`);
  assert.equal(await calendarMonth(page), lastMonth, 'the top page shows the current month');
  await checkDayLinks(page, lastMonth);
  const today = await page.$$eval(`${CALENDAR} td[aria-current="date"]`, (tds) => tds.length);
  assert.equal(today, 1, 'today is marked in the current month');
  fs.mkdirSync(artifactDir, { recursive: true });
  await page.screenshot({ path: path.join(artifactDir, 'calendar-current.png'), fullPage: true });

  // The current month is the last of the chain: "next" does nothing.
  await click(page, 'next', null);

  // Walk back to the first month, checking each month's day links.
  let month = lastMonth;
  while (month !== firstMonth) {
    month = nextMonth(month, -1);
    await click(page, 'prev', month);
    await checkDayLinks(page, month);
  }
  await page.screenshot({ path: path.join(artifactDir, 'calendar-first.png'), fullPage: true });
  // The first month is the start of the chain: "prev" does nothing.
  await click(page, 'prev', null);

  // And forward again.
  await click(page, 'next', nextMonth(firstMonth, 1));
  await checkDayLinks(page, nextMonth(firstMonth, 1));
  await checkLinksOpen(page);

  // A diary entry two folders below the top.
  const entry = `${baseUrl}/diary/${lastMonth.replace('-', '')}/27.html`;
  await page.goto(entry);
  const entryIds = await page.$$eval('[id^="zebsitec"]', (els) => els.map((e) => e.id));
  assert.ok(entryIds.includes('zebsitec001table000001') && entryIds.length >= 2, `entry link parts: ${entryIds}`);
  assert.equal(await calendarMonth(page), lastMonth, 'the entry shows the current month');
  await checkDayLinks(page, lastMonth);
  await checkLinksOpen(page);
  await click(page, 'prev', nextMonth(lastMonth, -1));
  await checkDayLinks(page, nextMonth(lastMonth, -1));
  await checkLinksOpen(page);
  await click(page, 'next', lastMonth);
  await page.click(`${CALENDAR} td a >> nth=0`);
  await page.waitForURL((url) => url.href !== entry && url.pathname.includes(lastMonth.replace('-', '')));
  await page.screenshot({ path: path.join(artifactDir, 'calendar-entry-day.png'), fullPage: true });

  // Live update: a new first entry in the news data, the browser left alone.
  await page.goto(`${baseUrl}/index.html`);
  const title = `ライブ更新 ${Date.now()}`;
  const data = path.join(siteDir, 'qcms', 'zebsitec000table000001.xml');
  const xml = fs.readFileSync(data, 'utf8');
  const first = xml.indexOf('  <contentpart>');
  fs.writeFileSync(data, `${xml.slice(0, first)}  <contentpart>\n    <id>live</id>\n    <title>${title}</title>\n` +
    `    <creationtime>2025/03/28 09:45:00</creationtime>\n    <category>お知らせ</category>\n` +
    `    <link>news/0004.html</link>\n  </contentpart>\n${xml.slice(first)}`);
  await page.waitForFunction((t) => document.body.textContent.includes(t), title, { timeout: 10000 });
  assert.deepEqual(errors, [], 'no script errors');
  console.log(`browser: ok (${ids.length} link parts, walked ${firstMonth} .. ${lastMonth}; ` +
              `the entry two folders down: ${entryIds.length} link parts; a new entry shown live)`);
} catch (e) {
  failed = true;
  console.error(`browser: FAILED: ${e.message}`);
} finally {
  await browser.close();
}
process.exit(failed ? 1 : 0);
