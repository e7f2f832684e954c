#!/usr/bin/env python3
"""The page in headless Chromium: first paint, and milliseconds per pass
(the module's pass and answer, showing texts and positions, painting),
measured in the browser over many passes.

    web_bench.py WEB_DIR [PASSES]
"""

import functools
import http.server
import os
import statistics
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def main():
    web_dir = sys.argv[1]
    passes = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(QuietHandler, directory=web_dir))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    options = Options()
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                "--disable-background-networking", "--disable-component-update",
                "--disable-sync", "--window-size=1024,768",
                "--user-data-dir=" + tempfile.mkdtemp(prefix="dipview-bench-")):
        options.add_argument(arg)
    options.binary_location = "/usr/bin/chromium"
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        size = sum(os.path.getsize(os.path.join(web_dir, f)) for f in os.listdir(web_dir))
        print("page weight: %d bytes uncompressed" % size)
        paints = []
        for _ in range(5):
            driver.get("http://127.0.0.1:%d/index.html" % server.server_address[1])
            while not driver.execute_script("return document.body.dataset.ready === 'true'"):
                time.sleep(0.01)
            paints.append(float(driver.execute_script(
                "return document.getElementById('form').dataset.paintedMs")))
        print("first paint of the drawing: median %.0f ms of 5 loads, from the start of "
              "navigation" % statistics.median(paints))
        runs = [driver.execute_script("return window.dipviewTimePasses(%d)" % passes)
                for _ in range(5)]
        best = min(runs, key=lambda r: r["each"])
        print("one pass in the page: median %.3f ms, best %.3f ms of 5 runs of %d passes "
              "(best: module %.3f, texts and positions %.3f, painting %.3f)"
              % (statistics.median(r["each"] for r in runs), best["each"], passes,
                 best["module"], best["show"], best["paint"]))
    finally:
        driver.quit()
        server.shutdown()


if __name__ == "__main__":
    main()
