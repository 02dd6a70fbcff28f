// The report printed to PDF by Chromium, on Letter and on A4 paper, portrait.
//   node print.mjs REPORT.html OUT   writes OUT-letter.pdf and OUT-a4.pdf
import { pathToFileURL } from "node:url";
import { launch } from "./common.mjs";

const [report, out] = process.argv.slice(2);
const browser = await launch();
try {
  const page = await browser.newPage();
  await page.goto(pathToFileURL(report).href);
  for (const format of ["Letter", "A4"])
    await page.pdf({ path: `${out}-${format.toLowerCase()}.pdf`, format, landscape: false });
} finally {
  await browser.close();
}
