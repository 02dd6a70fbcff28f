// The grid scrolled to its middle both ways, at 720 px (narrower than the
// grid) and at 1024 px: the header row and the name column are still in
// view; a click on a cell lands on that answer.
//   node grid.mjs REPORT.html [SCREENSHOT.png]
import { pathToFileURL } from "node:url";
import { launch, fail } from "./common.mjs";

const [report, screenshot] = process.argv.slice(2);
const browser = await launch();
try {
  const page = await browser.newPage({ viewport: { width: 1024, height: 768 } });
  await page.goto(pathToFileURL(report).href);
  const box = page.locator(".gridbox").first();
  // Scrolled to the grid's middle both ways, in a window of `width`.
  const middle = async (width) => {
    await page.setViewportSize({ width, height: 768 });
    await page.evaluate(() => document.querySelector(".gridbox").scrollIntoView({ block: "start" }));
    return box.evaluate((b) => {
      b.scrollTop = (b.scrollHeight - b.clientHeight) / 2;
      b.scrollLeft = (b.scrollWidth - b.clientWidth) / 2;
      const r = b.getBoundingClientRect();
      const head = b.querySelector("thead th:nth-child(5)").getBoundingClientRect();
      const rows = [...b.querySelectorAll("tbody th.who")];
      const name = rows[Math.floor(rows.length / 2)].getBoundingClientRect();
      return { box: { top: r.top, left: r.left, bottom: r.bottom }, down: b.scrollTop, across: b.scrollLeft,
               head: head.top, name: { left: name.left, top: name.top } };
    });
  };
  const check = (width, v) => {
    console.log(width, JSON.stringify(v));
    if (v.down <= 0) fail(`${width} px: the grid does not scroll in its own box`);
    if (v.box.bottom > 768) fail(`${width} px: the grid's box is taller than the window`);
    if (Math.abs(v.head - v.box.top) > 2) fail(`${width} px: the header row scrolled out of view`);
    if (Math.abs(v.name.left - v.box.left) > 2) fail(`${width} px: the names scrolled out of view`);
    if (v.name.top < v.box.top || v.name.top > v.box.bottom) fail(`${width} px: the middle row is not in view`);
  };
  // Narrower than the grid, so that it scrolls sideways too.
  const narrow = await middle(720);
  if (narrow.across <= 0) fail("720 px: the grid does not scroll sideways");
  check(720, narrow);
  check(1024, await middle(1024));
  if (screenshot) await page.screenshot({ path: screenshot });

  // A click on a cell in view lands on that student's answer.
  const cell = box.locator("tbody tr:nth-child(75) td.ok a").first();
  const who = await cell.evaluate((a) => a.closest("tr").querySelector("th.who a").textContent);
  const href = await cell.getAttribute("href");
  await cell.click();
  await page.waitForFunction((h) => location.hash === h, href);
  const landed = await page.evaluate(() => {
    const t = document.querySelector(":target");
    if (!t) return null;
    const r = t.getBoundingClientRect();
    return { who: t.querySelector(".who a")?.textContent, top: r.top, question: t.closest("section.q")?.id };
  });
  console.log(JSON.stringify({ href, who, landed }));
  if (!landed || landed.who !== who) fail(`the click on ${who}'s cell did not land on ${who}'s answer`);
  else if (landed.top < 0 || landed.top > 768) fail("the answer is not in view after the click");
  const q = href.split("-").slice(0, 3).join("-").replace("#a-", "q-");
  if (landed && landed.question !== q) fail(`the answer is under ${landed.question}, not ${q}`);
} finally {
  await browser.close();
}
