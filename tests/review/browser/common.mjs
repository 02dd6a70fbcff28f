// Debian's Chromium driven through playwright-core: no browser download.
import { chromium } from "playwright-core";

export async function launch() {
  return chromium.launch({
    executablePath: process.env.QA_CHROMIUM || "/usr/bin/chromium",
    args: ["--no-sandbox", "--disable-gpu", "--disable-background-networking", "--disable-component-update",
           "--disable-sync", "--no-first-run"],
  });
}

export function fail(message) {
  console.error(message);
  process.exitCode = 1;
}
