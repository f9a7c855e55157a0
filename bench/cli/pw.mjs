// The Playwright side of the benchmark: full-page screenshots or PDFs of the given addresses with Debian's
// Chromium, `concurrency` pages at once (one page object per worker, reused like Quillmark's tabs).
// usage: node pw.mjs png|pdf CONCURRENCY OUTDIR URL...
import { chromium } from 'playwright-core';

const [kind, concurrencyText, outDir, ...urls] = process.argv.slice(2);
const concurrency = Number(concurrencyText);
const browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--disable-gpu', '--no-first-run', '--disable-background-networking', '--disable-component-update',
        '--disable-sync', '--disable-dev-shm-usage', ...(process.getuid() === 0 ? ['--no-sandbox'] : [])],
});
const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
let next = 0;
let failed = 0;
async function worker() {
    const page = await context.newPage();
    while (next < urls.length) {
        const index = next++;
        try {
            await page.goto(urls[index], { waitUntil: 'load', timeout: 60000 });
            const path = `${outDir}/page${index}.${kind}`;
            if (kind === 'pdf')
                await page.pdf({ path, format: 'A4', printBackground: true });
            else
                await page.screenshot({ path, fullPage: true });
        } catch (e) {
            failed++;
            console.error(`${urls[index]}: ${e.message}`);
        }
    }
}
await Promise.all(Array.from({ length: concurrency }, worker));
await browser.close();
process.exit(failed ? 1 : 0);
