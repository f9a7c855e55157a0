// The floor of the benchmark: the least a protocol client can do for each page with the same engine as
// Quillmark's default (load event, then one screenshot or one PDF), one page at a time. Screenshots stop at
// 32,768 px, where one picture ends, so on the tallest pages the floor does less work than a whole capture.
// usage: node floor.mjs png|pdf EXECUTABLE OUTDIR URL...
import { chromium } from 'playwright-core';
import { writeFileSync } from 'fs';

const [kind, executablePath, outDir, ...urls] = process.argv.slice(2);
const browser = await chromium.launch({
    executablePath,
    args: ['--disable-gpu', '--hide-scrollbars', '--disable-background-networking', '--disable-component-update',
        ...(process.getuid() === 0 ? ['--no-sandbox'] : [])],
});
const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
const page = await context.newPage();
const cdp = await context.newCDPSession(page);
let failed = 0;
for (const [index, url] of urls.entries()) {
    try {
        await page.goto(url, { waitUntil: 'load', timeout: 60000 });
        let data;
        if (kind === 'pdf') {
            // Quillmark's paper and margins, untagged.
            ({ data } = await cdp.send('Page.printToPDF', { printBackground: true, paperWidth: 210 / 25.4,
                paperHeight: 297 / 25.4, marginLeft: 1 / 3, marginRight: 1 / 3, marginTop: 2 / 3, marginBottom: 2 / 3,
                generateTaggedPDF: false }));
        } else {
            const { cssContentSize: size } = await cdp.send('Page.getLayoutMetrics');
            ({ data } = await cdp.send('Page.captureScreenshot', { format: 'png', captureBeyondViewport: true,
                fromSurface: true, optimizeForSpeed: true, clip: { x: 0, y: 0, width: Math.ceil(size.width),
                    height: Math.min(Math.ceil(size.height), 32768), scale: 1 } }));
        }
        writeFileSync(`${outDir}/page${index}.${kind}`, Buffer.from(data, 'base64'));
    } catch (e) {
        failed++;
        console.error(`${url}: ${e.message}`);
    }
}
await browser.close();
process.exit(failed ? 1 : 0);
