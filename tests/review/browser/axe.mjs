// axe-core over a report: WCAG 2.0, 2.1 and 2.2 A and AA, and best practice,
// with td-has-header on. Prints each violation; fails on any.
//   node axe.mjs REPORT.html
import { createRequire } from "node:module";
import { pathToFileURL } from "node:url";
import { launch, fail } from "./common.mjs";

const axe = createRequire(import.meta.url)("axe-core");
const [report] = process.argv.slice(2);
const browser = await launch();
try {
  const page = await browser.newPage({ viewport: { width: 1280, height: 900 } });
  await page.goto(pathToFileURL(report).href);
  // The page's policy allows no script; axe comes in as the test's own.
  await page.evaluate(axe.source);
  const result = await page.evaluate(() =>
    window.axe.run(document, {
      runOnly: { type: "tag", values: ["wcag2a", "wcag2aa", "wcag21a", "wcag21aa", "wcag22aa", "best-practice"] },
      rules: { "td-has-header": { enabled: true } },
      resultTypes: ["violations"],
    }));
  for (const v of result.violations) {
    fail(`${v.id} (${v.impact}): ${v.help}, ${v.nodes.length} places`);
    for (const n of v.nodes.slice(0, 3)) console.error(`  ${n.target.join(" ")}: ${n.failureSummary}`);
  }
  console.log(`axe-core ${axe.version}: ${result.violations.length} violations, ${result.passes.length} rules passed`);
} finally {
  await browser.close();
}
