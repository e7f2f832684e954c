#!/usr/bin/env python3
"""The page in a real browser: headless Chromium loads build/web from a static
server on 127.0.0.1 that this test starts and stops, uses the controls with
real mouse, keyboard and touch input, and compares the readouts with
dipview-calc for the same settings and the start-up drawing with
dipview-calc --png.

    page_test.py WEB_DIR DIPVIEW_CALC

It also opens the page from links (every setting, bad values), offline with
the server stopped, after a lost canvas, and checks that the page can be
installed. With DIPVIEW_SHOTS set, screenshots go to that folder.

Prints the page's weight, its first paint and the time of one pass (measured
in the browser, reported, not judged), and exits non-zero on any failure.
"""

import csv
import functools
import http.server
import io
import os
import subprocess
import sys
import tempfile
import threading
import time
import xml.etree.ElementTree as ET

from PIL import Image
from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select

WEB_DIR, CALC = sys.argv[1], sys.argv[2]
TWIPS = 15
READOUT_ARRAYS = ("VHV_text", "VMV_Text", "VC1_Text", "VC2_Text")
MAX_PAGE_BYTES = 500 * 1024

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def start_server():
    handler = functools.partial(QuietHandler, directory=WEB_DIR)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def start_browser(width, height, mobile=None):
    options = Options()
    if mobile:
        options.add_experimental_option("mobileEmulation", {"deviceMetrics": mobile})
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                "--no-first-run", "--disable-background-networking",
                "--disable-component-update", "--disable-sync", "--hide-scrollbars",
                "--force-device-scale-factor=1", "--window-size=%d,%d" % (width, height),
                "--user-data-dir=" + tempfile.mkdtemp(prefix="dipview-chromium-")):
        options.add_argument(arg)
    options.binary_location = "/usr/bin/chromium"
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def calc_readouts(*args):
    """The 24 bus readouts dipview-calc prints for the settings `args`."""
    out = subprocess.run([CALC, "--format", "csv", *args], check=True,
                         capture_output=True, text=True).stdout
    row = dict(zip(*csv.reader(io.StringIO(out))))
    return [row["%s_%s_%s" % (bus, phase, part)]
            for bus in ("hv", "mv", "c1", "c2") for phase in "abc" for part in ("mag", "ang")]


def calc_time_texts(*args):
    """Every text of the sag in time dipview-calc --plot draws for `args`."""
    svg = os.path.join(tempfile.mkdtemp(), "time.svg")
    subprocess.run([CALC, "--plot", svg, *args], check=True)
    return [e.text or "" for e in ET.parse(svg).iter("{http://www.w3.org/2000/svg}text")]


def page_time_texts(driver):
    return driver.execute_script(
        "return document.getElementById('time-chart').dataset.texts || ''").split("\n")


def page_readouts(driver):
    return driver.execute_script(
        "return arguments[0].flatMap(a => [0,1,2,3,4,5].map(k =>"
        " document.querySelector(`[data-name='${a}(${k})']`).value));",
        list(READOUT_ARRAYS))


def element(driver, name):
    return driver.find_element(By.CSS_SELECTOR, "[data-name='%s']" % name)


def passes(driver):
    return int(driver.execute_script("return document.getElementById('form').dataset.passes"))


def wait_ready(driver):
    for _ in range(100):
        if driver.execute_script("return document.body.dataset.ready === 'true'"):
            return True
        time.sleep(0.05)
    return False


def main():
    size = sum(os.path.getsize(os.path.join(WEB_DIR, f)) for f in os.listdir(WEB_DIR))
    print("page: %d bytes (HTML, CSS, JS and wasm, uncompressed)" % size)
    check(size < MAX_PAGE_BYTES, "the page weighs %d bytes, over %d" % (size, MAX_PAGE_BYTES))

    server = start_server()
    url = "http://127.0.0.1:%d/index.html" % server.server_address[1]
    driver = start_browser(800, 700)
    try:
        driver.get(url + "?zoom=100")
        check(wait_ready(driver), "the page did not finish loading")
        print("first paint of the drawing: %s ms after the start of navigation"
              % driver.execute_script("return document.getElementById('form').dataset.paintedMs"))
        check(driver.title.startswith("DIPVIEW, Voltage Sags"), "title: " + driver.title)

        # Start-up: two passes, the readouts of the start-up settings.
        check(passes(driver) == 2, "start-up ran %d passes, not 2" % passes(driver))
        check(page_readouts(driver) == calc_readouts(),
              "start-up readouts differ: %s" % page_readouts(driver))

        # The controls stand where the design puts them, 1 px for 15 twips.
        form = element(driver, "Top_Label").find_element(By.XPATH, "..").rect
        for name, twips in (("Z12_Angle", (360, 1320, 255, 1455)),
                            ("Proximity_Text", (6120 + 1320, 720 + 600, 495, 285)),
                            ("VC2_Text(5)", (8400, 8400, 735, 285))):
            r = element(driver, name).rect
            got = (r["x"] - form["x"], r["y"] - form["y"], r["width"], r["height"])
            want = tuple(t / TWIPS for t in twips)
            check(all(abs(g - w) <= 1.5 for g, w in zip(got, want)),
                  "%s at %s, not %s" % (name, got, want))

        # The keyboard visits the controls in the window's tab order.
        driver.execute_script("document.activeElement.blur()")
        visited = []
        for _ in range(4):
            ActionChains(driver).send_keys(Keys.TAB).perform()
            visited.append(driver.execute_script(
                "const e = document.activeElement;"
                "return (e.closest('[data-name]') || e).dataset.name"))
        check(visited == ["Z12_Angle", "Z0_Angle", "ZF_Angle", "Z0_Z12_opt(1)"],
              "tab order: %s" % visited)

        # Screen-reader labels as on the desktop.
        check(element(driver, "Z12_Angle").get_attribute("aria-label") == "Z12 angle, degrees",
              "Z12_Angle has no screen-reader label")
        check(element(driver, "VC1_Text(3)").get_attribute("aria-label") ==
              "Customer Level 1, phase B angle, degrees", "readouts have no screen-reader label")

        # The drawing at start-up against the calculator's picture, pixel for
        # pixel over the diagram area, controls left out (fonts may differ).
        png = os.path.join(tempfile.mkdtemp(), "startup.png")
        subprocess.run([CALC, "--png", png], check=True)
        compare_drawing(driver, form, Image.open(png).convert("RGB"))

        # At 200 % against the calculator's picture at scale 2: every step of
        # the drawing scales, the line widths and the discs' sprites included.
        driver.set_window_size(1700, 1300)
        driver.get(url + "?zoom=200")
        check(wait_ready(driver), "the page at 200 % did not finish loading")
        subprocess.run([CALC, "--png", png, "--scale", "2"], check=True)
        compare_drawing(driver, element(driver, "Top_Label").find_element(By.XPATH, "..").rect,
                        Image.open(png).convert("RGB"), scale=2)
        driver.set_window_size(800, 700)
        driver.get(url + "?zoom=100")
        check(wait_ready(driver), "the page did not load again")
        check_labels(driver)

        # Mouse: an option, the other transformer connection, a scroll arrow
        # (the value changes on release), the track, and keys on a scroll bar.
        element(driver, "Phase_Phase(1)").click()
        element(driver, "HV_MV_Trans(1)").click()
        proximity = element(driver, "Proximity")
        arrow_x = proximity.rect["width"] / 2 - 5
        before = passes(driver)
        ActionChains(driver).move_to_element_with_offset(proximity, arrow_x, 0).click_and_hold() \
            .perform()
        check(passes(driver) == before, "the scroll bar changed before the release")
        ActionChains(driver).release().perform()
        check(element(driver, "Proximity_Text").get_attribute("value") == "51",
              "the right arrow did not move Proximity by 1")
        z12 = element(driver, "Z12_Angle")
        ActionChains(driver).move_to_element_with_offset(z12, 0, z12.rect["height"] / 2 - 30) \
            .click().perform()
        check(element(driver, "Z12_Angle_Text").get_attribute("value") == "80",
              "a click on the track did not move Z12 by 10")
        driver.execute_script("arguments[0].focus()", z12)
        ActionChains(driver).send_keys(Keys.ARROW_DOWN, Keys.ARROW_DOWN, Keys.PAGE_UP).perform()
        check(element(driver, "Z12_Angle_Text").get_attribute("value") == "88",
              "the keys did not move Z12 by 1, 1 and 10")
        z0 = element(driver, "Z0_Angle")
        before = passes(driver)
        driver.execute_script("arguments[0].focus()", z0)
        ActionChains(driver).send_keys(Keys.ARROW_UP).perform()  # at the top: no change, no pass
        check(passes(driver) == before, "a key at the end of the range ran a pass")
        check(page_readouts(driver) == calc_readouts(
            "--fault", "phase-phase", "--transformers", "YY,DY,DY", "--proximity", "51",
            "--z12-angle", "88"), "readouts after the clicks differ: %s" % page_readouts(driver))

        # Touch: a tap on an option does what a click does.
        r = element(driver, "Three_Phase(2)").rect
        x, y = r["x"] + 8, r["y"] + r["height"] / 2
        for kind in ("touchStart", "touchEnd"):
            driver.execute_cdp_cmd("Input.dispatchTouchEvent", {
                "type": kind, "touchPoints": [{"x": x, "y": y}] if kind == "touchStart" else []})
        time.sleep(0.2)
        check(page_readouts(driver) == calc_readouts(
            "--fault", "three", "--transformers", "YY,DY,DY", "--proximity", "51",
            "--z12-angle", "88"), "a tap on Three Phase did not select it")

        # The sag in time: the button opens the view, which paints the chart
        # dipview-calc --plot draws for the page's settings, anew at every pass
        # and every change of its own controls.
        settings = ("--transformers", "YY,DY,DY", "--proximity", "51", "--z12-angle", "88")
        driver.find_element(By.ID, "time-button").click()
        check(driver.find_element(By.ID, "time-view").is_displayed(), "the sag in time is hidden")
        check(page_time_texts(driver) == calc_time_texts("--fault", "three", "--duration", "0.1",
                                                         *settings),
              "the sag in time differs: %s" % page_time_texts(driver)[:5])
        element(driver, "Single_Phase(0)").click()
        duration = driver.find_element(By.ID, "time-duration")
        duration.clear()
        duration.send_keys("0.3")
        driver.find_element(By.ID, "time-60").click()
        inception = driver.find_element(By.ID, "time-inception")
        inception.clear()
        inception.send_keys("-90")
        check(page_time_texts(driver) == calc_time_texts(
            "--duration", "0.3", "--frequency", "60", "--inception", "-90", *settings),
              "the sag in time did not follow: %s" % page_time_texts(driver)[:5])
        shot = os.environ.get("DIPVIEW_TIME_SCREENSHOT")
        if shot:
            driver.set_window_size(1700, 1300)
            driver.find_element(By.ID, "time-view").screenshot(shot)
        driver.find_element(By.ID, "time-button").click()

        # Home and End on a bar; the thumb dragged both ways, the value
        # rounded to the nearest step (30 px is 24.4 steps, -31 px is -25.3);
        # a click on the selected option runs no pass.
        driver.execute_script("arguments[0].focus()", z12)
        ActionChains(driver).send_keys(Keys.END).perform()
        check(element(driver, "Z12_Angle_Text").get_attribute("value") == "0",
              "End did not take Z12 to 0")
        ActionChains(driver).send_keys(Keys.HOME).perform()
        check(element(driver, "Z12_Angle_Text").get_attribute("value") == "90",
              "Home did not take Z12 to 90")
        for offset, moved, want in ((1, 30, "75"), (31, -31, "50")):
            ActionChains(driver).move_to_element_with_offset(proximity, offset, 0) \
                .click_and_hold().move_by_offset(moved, 0).release().perform()
            got = element(driver, "Proximity_Text").get_attribute("value")
            check(got == want, "a thumb drag of %d px gave %s, not %s" % (moved, got, want))
        before = passes(driver)
        element(driver, "Single_Phase(0)").click()
        check(passes(driver) == before, "a click on the selected option ran a pass")
        check(page_readouts(driver) == calc_readouts(
            "--transformers", "YY,DY,DY", "--proximity", "50"),
            "readouts after the keys and drags differ: %s" % page_readouts(driver))

        # One pass in the page, measured in the browser: reported, not judged.
        t = driver.execute_script("return window.dipviewTimePasses(300)")
        print("one pass in the page: %.3f ms (module %.3f, texts and positions %.3f, "
              "painting %.3f)" % (t["each"], t["module"], t["show"], t["paint"]))

        check_links(driver, url)
        check_all_faults(driver, url)
        check_bad_queries(driver, url)
        check_lost_canvas(driver, url)

        # Fitted: the page scales to its frame.
        driver.get(url)
        wait_ready(driver)
        driver.set_window_size(500, 480)
        time.sleep(0.2)
        width = driver.execute_script(
            "return document.getElementById('form').getBoundingClientRect().width")
        check(width <= 500, "the fitted page is %s px wide in a 500 px window" % width)
    finally:
        driver.quit()
        server.shutdown()
    check_offline()
    check_phone()
    return 1 if failures else 0


SHOTS = os.environ.get("DIPVIEW_SHOTS")


def shot(driver, name):
    if SHOTS:
        os.makedirs(SHOTS, exist_ok=True)
        driver.save_screenshot(os.path.join(SHOTS, name + ".png"))


def calc_link(*args):
    return subprocess.run([CALC, *args, "--link"], check=True, capture_output=True,
                          text=True).stdout.strip()


def calc_preset_lines():
    """dipview-calc's presets as "name: explanation"."""
    listed = subprocess.run([CALC, "--preset", "list"], check=True, capture_output=True,
                            text=True).stdout
    return [": ".join(line.split(None, 1)) for line in listed.splitlines()]


def problems(driver):
    return driver.execute_script(
        "const m = document.getElementById('message');"
        "return m.hidden ? [] : [...m.querySelectorAll('li')].map(e => e.textContent)")


def drawn(driver):
    """Whether the canvas shows the drawing: a phase colour somewhere on it."""
    return driver.execute_script(
        "const c = document.getElementById('surface');"
        "if (!c.width || !c.height) return false;"
        "const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;"
        "for (let i = 0; i < d.length; i += 4)"
        "  if (d[i] === 255 && d[i + 1] === 0 && d[i + 2] === 0) return true;"
        "return false;")


# Settings that between them give every setting each of its kinds of value:
# the three faults, whole and decimal angles, every ratio option, both ends
# of the distance and both connections of each transformer.
LINK_SETTINGS = (
    ("--fault", "three", "--z12-angle", "85", "--transformers", "DY,YY,DY", "--proximity", "30"),
    ("--fault", "phase-phase", "--z12-angle", "60.25", "--zf-angle", "0", "--zf-ratio", "2.5",
     "--proximity", "90", "--transformers", "YY,DY,YY"),
    ("--z0-angle", "12.5", "--z0-ratio", "0.5", "--zf-ratio", "3", "--proximity", "0",
     "--transformers", "YY,YY,YY"),
    ("--z0-ratio", "3", "--zf-ratio", "1.5", "--zf-angle", "45.125", "--z12-angle", "0",
     "--z0-angle", "0.0001"),
    ("--z0-ratio", "1.5", "--zf-ratio", "0.5", "--fault", "single"),
    ("--preset", "resistive"),
    # Settings only the all-faults form shows open it.
    ("--fault", "two-phase-ground", "--phases", "ca", "--transformers", "DD,DY,YY"),
    ("--phases", "c", "--transformers", "YY,DD,DD", "--proximity", "10"),
)


def address_becomes(driver, search):
    """Whether the page's address comes to end in `search` within a second."""
    for _ in range(20):
        if driver.execute_script("return location.search") == search:
            return True
        time.sleep(0.05)
    return False


def check_links(driver, url):
    """Each link opens the page with its settings, and the page writes the
    same link back; a change writes the new settings."""
    for settings in LINK_SETTINGS:
        link = calc_link(*settings)
        driver.get(url + link)
        check(wait_ready(driver), "the page did not load " + link)
        check(passes(driver) == 3, "%s: %d passes, not 3" % (link, passes(driver)))
        check(page_readouts(driver) == calc_readouts(*settings),
              "readouts of %s differ: %s" % (link, page_readouts(driver)))
        search = driver.execute_script("return location.search")
        check(search == link, "the page wrote %s back for %s" % (search, link))
        check(problems(driver) == [], "%s gave the messages %s" % (link, problems(driver)))
        pressed = driver.find_element(By.ID, "all-faults").get_attribute("aria-pressed")
        check(pressed == ("true" if "--phases" in settings else "false"),
              "%s: All faults is %s" % (link, pressed))
    shot(driver, "link")
    # The first of them again, then a change: the address follows.
    driver.get(url + calc_link(*LINK_SETTINGS[0]) + "&zoom=100")
    wait_ready(driver)
    element(driver, "MV_C1_Trans(0)").click()
    changed = LINK_SETTINGS[0][:5] + ("DY,DY,DY",) + LINK_SETTINGS[0][6:]
    check(address_becomes(driver, calc_link(*changed) + "&zoom=100"),
          "after a click the address is %s" % driver.execute_script("return location.search"))
    # A held key: the address follows the last change.
    z12 = element(driver, "Z12_Angle")
    driver.execute_script("arguments[0].focus()", z12)
    ActionChains(driver).send_keys(*[Keys.ARROW_DOWN] * 12).perform()
    changed = changed[:3] + ("73",) + changed[4:]
    check(address_becomes(driver, calc_link(*changed) + "&zoom=100"),
          "after 12 keys the address is %s" % driver.execute_script("return location.search"))
    check(page_readouts(driver) == calc_readouts(*changed), "readouts after the click and the keys differ")
    # Copy link puts the address on the clipboard.
    driver.execute_cdp_cmd("Browser.grantPermissions", {
        "origin": url.rsplit("/", 1)[0], "permissions": ["clipboardReadWrite",
                                                         "clipboardSanitizedWrite"]})
    driver.find_element(By.ID, "copy-link").click()
    time.sleep(0.2)
    copied = driver.execute_async_script(
        "navigator.clipboard.readText().then(arguments[0], () => arguments[0](null))")
    check(copied == driver.current_url, "Copy link copied %r, not %r" % (copied, driver.current_url))
    # A preset puts its case on the form; the address follows.
    choice = Select(driver.find_element(By.ID, "preset"))
    check([o.text for o in choice.options][1:] == calc_preset_lines(),
          "the presets offered are %s" % [o.text for o in choice.options])
    # Two-phase-to-ground needs the all-faults form, which it opens.
    choice.select_by_index(4)
    check(page_readouts(driver) == calc_readouts("--preset", "two-phase-ground"),
          "readouts of the two-phase-ground preset differ: %s" % page_readouts(driver))
    check(driver.find_element(By.ID, "all-faults").get_attribute("aria-pressed") == "true",
          "the two-phase-ground preset left the all-faults form closed")
    check(address_becomes(driver, calc_link("--preset", "two-phase-ground") + "&zoom=100"),
          "after a preset the address is %s" % driver.execute_script("return location.search"))


def check_all_faults(driver, url):
    """The All faults button shows the extra options; clicks on them give the
    numbers and the link dipview-calc gives; leaving goes back to the
    default form's settings."""
    driver.get(url + "?zoom=100")
    wait_ready(driver)
    button = driver.find_element(By.ID, "all-faults")
    check(not element(driver, "Faulted_Phase(1)").is_displayed(), "the phases show at start-up")
    button.click()
    check(button.get_attribute("aria-pressed") == "true", "All faults is not pressed")
    # With no setting that needs it, the address asks for the form itself.
    check(address_becomes(driver, calc_link() + "&all-faults=1&zoom=100"),
          "the all-faults form's address is %s" % driver.execute_script("return location.search"))
    driver.get(driver.current_url)
    wait_ready(driver)
    button = driver.find_element(By.ID, "all-faults")
    check(button.get_attribute("aria-pressed") == "true" and passes(driver) == 3,
          "the all-faults link opened %s after %d passes"
          % (button.get_attribute("aria-pressed"), passes(driver)))
    check(element(driver, "Single_Phase(0)").text == "Single Phase to Ground",
          "the fault caption is %r" % element(driver, "Single_Phase(0)").text)
    for name in ("Two_Phase_Ground(3)", "Faulted_Phase(1)", "HV_MV_Trans(2)", "C1_C2_Trans(1)"):
        option = element(driver, name)
        frame = option.find_element(By.XPATH, "..").rect
        r = option.rect
        check(frame["y"] <= r["y"] and r["y"] + r["height"] <= frame["y"] + frame["height"],
              "%s at %s lies outside its frame at %s" % (name, r, frame))
        option.click()
    settings = ("--fault", "two-phase-ground", "--phases", "ca", "--transformers", "DD,DY,YY")
    check(page_readouts(driver) == calc_readouts(*settings),
          "all-faults readouts differ: %s" % page_readouts(driver))
    check(address_becomes(driver, calc_link(*settings) + "&zoom=100"),
          "in the all-faults form the address is %s"
          % driver.execute_script("return location.search"))
    shot(driver, "all-faults")
    button.click()
    check(button.get_attribute("aria-pressed") == "false", "All faults stays pressed")
    check(not element(driver, "HV_MV_Trans(2)").is_displayed(), "DD shows in the default form")
    left = ("--fault", "phase-phase", "--transformers", "DY,DY,YY")
    check(page_readouts(driver) == calc_readouts(*left),
          "readouts after leaving all faults differ: %s" % page_readouts(driver))
    check(element(driver, "Single_Phase(0)").text == "Single Phase (Phase A)",
          "the fault caption is %r" % element(driver, "Single_Phase(0)").text)


# Query values the page cannot use, and the message that must name each.
BAD_QUERIES = (
    ("zoom=150%25", "zoom: '150%' is not allowed"),
    ("zoom=-1", "zoom: '-1' is not allowed"),
    ("zoom=0.0001", "zoom: '0.0001' is not allowed"),
    ("zoom=40", "zoom: '40' is not allowed"),
    ("zoom=1e309", "zoom: '1e309' is not allowed"),
    ("zoom=junk", "zoom: 'junk' is not allowed"),
    ("zoom=", "zoom: '' is not allowed"),
    ("all-faults=yes", "all-faults: 'yes' is not allowed; allowed: 0 or 1"),
    ("fault=tree", "fault: 'tree' is not a fault type"),
    ("z12-angle=95", "z12-angle: '95' is out of range"),
    ("proximity=30.5", "proximity: '30.5' is not a whole number"),
    ("transformers=DY,YY", "transformers: 'DY,YY' names 2 connections"),
    ("phases=a&fault=phase-phase", "phases: 'a' does not name the phases of fault phase-phase"),
    ("bogus=1", "unknown setting 'bogus'"),
    ("fault=two-phase-ground&transformers=DD,DY,DY&zf-ratio=0.7",
     "it cannot show zf-ratio=0.7"),
    ("z0-ratio=1.7", "it cannot show z0-ratio=1.7"),
)


def check_bad_queries(driver, url):
    """A bad value is named, the page falls back to the start-up settings and
    fits its window, and it is never blank."""
    start = calc_readouts()
    for query, message in BAD_QUERIES:
        driver.get(url + "?proximity=20&" + query)
        check(wait_ready(driver), "the page did not load with ?" + query)
        got = problems(driver)
        check(any(message in m for m in got), "?%s: the messages are %s" % (query, got))
        settings = not query.startswith(("zoom", "all-faults"))
        check(page_readouts(driver) == (start if settings else calc_readouts("--proximity", "20")),
              "?%s: readouts %s" % (query, page_readouts(driver)))
        width = driver.execute_script(
            "return document.getElementById('form').getBoundingClientRect().width")
        check(0 < width <= driver.execute_script("return innerWidth"),
              "?%s: the page is %s px wide" % (query, width))
        check(drawn(driver), "?%s: nothing is drawn" % query)
        if query == "zoom=150%25":
            shot(driver, "bad-query")
    # A zoom as the desktop takes it fixes the size.
    driver.get(url + "?zoom=150")
    wait_ready(driver)
    width = driver.execute_script(
        "return document.getElementById('form').getBoundingClientRect().width")
    check(abs(width - 1.5 * 11760 / TWIPS) < 1, "?zoom=150: the page is %s px wide" % width)
    check(problems(driver) == [] and drawn(driver), "?zoom=150 is refused or not drawn")


def check_lost_canvas(driver, url):
    """A canvas the browser dropped is painted again when it comes back."""
    driver.get(url + "?zoom=100")
    wait_ready(driver)
    before = driver.execute_script("return document.getElementById('surface').toDataURL()")
    # What a loss leaves: an empty canvas, then the browser's events.
    driver.execute_script(
        "const c = document.getElementById('surface');"
        "c.getContext('2d').reset ? c.getContext('2d').reset() : c.width = c.width;"
        "c.dispatchEvent(new Event('contextlost'));")
    check(not drawn(driver), "the canvas could not be emptied")
    driver.execute_script(
        "document.getElementById('surface').dispatchEvent(new Event('contextrestored'))")
    after = driver.execute_script("return document.getElementById('surface').toDataURL()")
    check(after == before, "the canvas was not painted again after it came back")


def check_offline():
    """Opened once, the page opens and computes with no network and no server,
    and the browser may install it."""
    server = start_server()
    url = "http://localhost:%d/index.html" % server.server_address[1]
    driver = start_browser(800, 700)
    try:
        driver.get(url)
        wait_ready(driver)
        controlled = driver.execute_async_script(
            "const done = arguments[0];"
            "navigator.serviceWorker.ready.then(() => {"
            "  if (navigator.serviceWorker.controller) return done(true);"
            "  navigator.serviceWorker.addEventListener('controllerchange', () => done(true));"
            "});")
        check(controlled, "no service worker took the page")
        errors = driver.execute_cdp_cmd("Page.getInstallabilityErrors", {})
        check(errors.get("installabilityErrors") == [],
              "the page cannot be installed: %s" % errors)
        server.shutdown()
        server.server_close()
        driver.execute_cdp_cmd("Network.enable", {})
        driver.execute_cdp_cmd("Network.emulateNetworkConditions", {
            "offline": True, "latency": 0, "downloadThroughput": -1, "uploadThroughput": -1})
        driver.get(url + "?fault=phase-phase&proximity=10")
        check(wait_ready(driver), "the page did not open offline")
        element(driver, "HV_MV_Trans(1)").click()
        check(page_readouts(driver) == calc_readouts(
            "--fault", "phase-phase", "--proximity", "10", "--transformers", "YY,DY,DY"),
            "offline readouts differ: %s" % page_readouts(driver))
        check(drawn(driver), "offline, nothing is drawn")
        shot(driver, "offline")
    finally:
        driver.quit()


def svg_texts(*args):
    """The texts of dipview-calc's SVG picture for `args`, in document order."""
    svg = os.path.join(tempfile.mkdtemp(), "picture.svg")
    subprocess.run([CALC, "--svg", svg, *args], check=True)
    return ["".join(e.itertext()) for e in ET.parse(svg).iter()
            if e.tag.endswith("}text") or e.tag == "text"]


def check_labels(driver):
    """The Labels button and the L key: off at start, the texts dipview-calc
    --labels draws when on, the same pixels as before when off again, and an L
    typed into a readout stays there."""
    button = driver.find_element(By.ID, "labels-button")
    check(button.get_attribute("aria-pressed") == "false", "labels are on at start")
    pixels = "return document.getElementById('surface').toDataURL()"
    before = driver.execute_script(pixels)
    # What the page paints as text, collected where the canvas is told to.
    driver.execute_script(
        "window.paintedTexts = [];"
        "const fill = CanvasRenderingContext2D.prototype.fillText;"
        "CanvasRenderingContext2D.prototype.fillText = function (t, ...rest) {"
        "  window.paintedTexts.push(t); return fill.call(this, t, ...rest); };")
    driver.execute_script("document.activeElement.blur()")
    ActionChains(driver).send_keys("l").perform()
    check(button.get_attribute("aria-pressed") == "true", "L did not turn the labels on")
    painted = driver.execute_script("return window.paintedTexts")
    labelled = svg_texts("--labels")
    for text in svg_texts():
        labelled.remove(text)
    check(sorted(painted) == sorted(labelled),
          "the page's labels differ from dipview-calc's: %s against %s" % (painted, labelled))
    check(driver.execute_script(pixels) != before, "the labels left the canvas as it was")
    shot(driver, "page-labels")
    # Every pass paints the labels of its own settings.
    driver.execute_script("window.paintedTexts = []")
    element(driver, "Phase_Phase(1)").click()
    painted = driver.execute_script("return window.paintedTexts")
    labelled = svg_texts("--labels", "--fault", "phase-phase")
    for text in svg_texts("--fault", "phase-phase"):
        labelled.remove(text)
    check(sorted(painted) == sorted(labelled),
          "after a pass the page's labels differ from dipview-calc's: %s against %s"
          % (painted, labelled))
    element(driver, "Single_Phase(0)").click()

    readout = element(driver, "VC1_Text(1)")
    readout.click()
    ActionChains(driver).send_keys(Keys.END, "l").perform()
    check(readout.get_attribute("value").endswith("l"), "an L typed into a readout went elsewhere")
    check(button.get_attribute("aria-pressed") == "true", "an L typed into a readout toggled labels")
    button.click()
    check(button.get_attribute("aria-pressed") == "false", "the button did not turn labels off")
    driver.execute_script("document.activeElement.blur()")
    check(driver.execute_script(pixels) == before, "without labels the canvas differs from before")


def compare_drawing(driver, form, picture, scale=1):
    shot = Image.open(io.BytesIO(driver.get_screenshot_as_png())).convert("RGB")
    left, top = round(form["x"]), round(form["y"])
    # The diagram area and the sequence column, less every control's box.
    boxes = driver.execute_script(
        "const f = document.getElementById('form').getBoundingClientRect();"
        "return [...document.querySelectorAll('#form .control')].filter(e => !e.hidden)"
        ".map(e => { const r = e.getBoundingClientRect();"
        " return [r.left - f.left, r.top - f.top, r.right - f.left, r.bottom - f.top]; });")

    def in_control(x, y):
        return any(b[0] - 2 <= x <= b[2] + 2 and b[1] - 2 <= y <= b[3] + 2 for b in boxes)

    same = near = total = 0
    coloured = coloured_near = 0   # pure red and blue: the phases' lines and bars
    # Pixels in a phase or sequence colour in one drawing and not the other:
    # the ends of the lines, where a cap of another shape shows.
    colours = ((255, 0, 0), (0, 0, 255), (0, 128, 0), (0, 255, 0))
    only_picture = only_page = 0
    # The frame lines under and right of the input area, crisp on their pixels.
    frame = [(x, 192 * scale) for x in range(10 * scale, 630 * scale)]
    frame += [(640 * scale + dx, y) for y in range(10 * scale, 185 * scale) for dx in (-1, 0, 1)]
    differ = sum(picture.getpixel((x, y)) != shot.getpixel((left + x, top + y)) for x, y in frame)
    check(differ == 0,
          "the frame lines differ in %d of %d pixels" % (differ, len(frame)))
    for y in range(195 * scale, 500 * scale):
        for x in range(10 * scale, 784 * scale):
            if in_control(x, y):
                continue
            total += 1
            a = picture.getpixel((x, y))
            b = shot.getpixel((left + x, top + y))
            same += a == b
            close = max(abs(p - q) for p, q in zip(a, b)) <= 96
            near += close
            only_picture += a in colours and b not in colours
            only_page += b in colours and a not in colours
            if a in ((255, 0, 0), (0, 0, 255)):
                coloured += 1
                coloured_near += close
    print("phase colours: %d pixels, %d close in the page" % (coloured, coloured_near))
    check(coloured > 1000 and coloured_near >= 0.97 * coloured,
          "the phases' lines and bars differ: %d of %d pixels close" % (coloured_near, coloured))
    # Measured: 24 and 5; butt ends on the phasor lines make it 37 and 3.
    print("coloured in the picture only: %d, in the page only: %d" % (only_picture, only_page))
    # At 200 % the page's wider strokes end a pixel apart from the window's:
    # 1069 and 18 measured, and only the 100 % ends are held to the count.
    check(scale != 1 or (only_picture <= 30 and only_page <= 12),
          "%d coloured pixels only in the picture, %d only in the page" % (only_picture, only_page))
    print("drawing area: %d pixels, %d identical (%.2f %%), %d within 96 levels (%.2f %%)"
          % (total, same, 100.0 * same / total, near, 100.0 * near / total))
    # The browser smooths what the window draws crisp (the dotted rings) and
    # rasterises smoothed edges its own way; measured here: 94.3 % identical,
    # 98.8 % close. A shifted or missing primitive costs far more than the margin.
    check(same >= 0.92 * total, "only %.2f %% of the drawing's pixels are identical"
          % (100.0 * same / total))
    check(near >= 0.98 * total, "only %.2f %% of the drawing's pixels are close"
          % (100.0 * near / total))



def phone_readouts(driver):
    """The 24 bus readouts of the phone's table, in the calculator's order."""
    return driver.execute_script(
        "return [...document.querySelectorAll('.phone-readouts tr')].slice(1)"
        ".flatMap(r => [r.cells[2].textContent, r.cells[3].textContent])")


def touch(driver, points):
    """A finger down at the first point, moved through the others, lifted."""
    for i, (x, y) in enumerate(points):
        driver.execute_cdp_cmd("Input.dispatchTouchEvent", {
            "type": "touchStart" if i == 0 else "touchMove", "touchPoints": [{"x": x, "y": y}]})
    driver.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})
    time.sleep(0.2)


def check_phone():
    """On a phone the same settings are a column of touch-sized controls, the
    readouts a table; taps and drags give dipview-calc's numbers."""
    server = start_server()
    url = "http://127.0.0.1:%d/index.html" % server.server_address[1]
    driver = start_browser(390, 844, {"width": 390, "height": 844, "pixelRatio": 3,
                                      "touch": True})
    try:
        driver.get(url + "?proximity=40")
        check(wait_ready(driver), "the page did not load on a phone")
        check(driver.execute_script("return document.body.classList.contains('phone')"),
              "390 px wide, the page keeps the design's layout")
        check(phone_readouts(driver) == calc_readouts("--proximity", "40"),
              "the phone's readouts differ: %s" % phone_readouts(driver))
        small = driver.execute_script(
            "return [...document.querySelectorAll('#phone label, #phone input[type=range],"
            " #caption-bar button')].filter(e => e.offsetParent)"
            ".map(e => [e.textContent || e.getAttribute('aria-label'),"
            " e.getBoundingClientRect()]).filter(([, r]) => r.width < 44 || r.height < 44)"
            ".map(([t]) => t)")
        check(small == [], "touch targets under 44 x 44 px: %s" % small)
        tiny = driver.execute_script(
            "return [...document.body.querySelectorAll('*')].filter(e => e.offsetParent &&"
            " [...e.childNodes].some(n => n.nodeType === 3 && n.textContent.trim()) &&"
            " parseFloat(getComputedStyle(e).fontSize) < 12).map(e => e.textContent)")
        check(tiny == [], "text under 12 px: %s" % tiny[:5])
        check(driver.execute_script(
            "return document.documentElement.scrollWidth <= innerWidth"), "the page scrolls sideways")
        check(driver.execute_script(
            "return !document.querySelector('#phone input[type=text], #phone textarea')"),
            "the phone's readouts are boxes to type into")

        def centre(selector):
            r = driver.execute_script(
                "const e = document.querySelector(arguments[0]); e.scrollIntoView({block: 'center'});"
                "return e.getBoundingClientRect().toJSON()", selector)
            return r["x"] + r["width"] / 2, r["y"] + r["height"] / 2, r

        # A tap on the caption of Three Phase, a tap on YY of the second transformer.
        x, y, _ = centre("input[name=phone-group0]:nth-of-type(1)")
        labels = driver.execute_script(
            "return [...document.querySelectorAll('.phone-option')].map(e => e.textContent)")
        x, y, _ = centre(".phone-settings fieldset:nth-of-type(1) label:nth-of-type(3) span")
        touch(driver, [(x, y)])
        x, y, _ = centre(".phone-settings fieldset:nth-last-of-type(2) label:nth-of-type(2)")
        touch(driver, [(x, y)])
        settings = ["--fault", "three", "--proximity", "40", "--transformers", "DY,YY,DY"]
        check(phone_readouts(driver) == calc_readouts(*settings),
              "after the taps the phone's readouts differ: %s (options %s)"
              % (phone_readouts(driver), labels[:3]))
        # A drag on the distance: the value changes when the finger lifts.
        _, y, r = centre(".phone-settings fieldset:nth-of-type(5) input[type=range]")
        start = r["x"] + 8 + (r["width"] - 16) * 0.4
        touch(driver, [(start, y), (start + 20, y), (start + 60, y)])
        shown = driver.execute_script(
            "return document.querySelector('.phone-settings fieldset:nth-of-type(5) output')"
            ".textContent")
        check(shown not in ("", "40"), "the drag did not move the distance (%s)" % shown)
        settings[3] = shown
        check(phone_readouts(driver) == calc_readouts(*settings),
              "after the drag to %s the phone's readouts differ" % shown)
        check(driver.execute_script("return location.search") == calc_link(*settings),
              "after the drag the address is %s" % driver.execute_script("return location.search"))
        check(drawn(driver), "nothing is drawn on the phone")
        copies = driver.execute_script(
            "return [...document.querySelectorAll('#phone canvas')].map(c => {"
            " const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;"
            " let ink = 0; for (let i = 0; i < d.length; i += 4) ink += d[i] < 128;"
            " return ink; })")
        check(len(copies) == 7 and all(n > 100 for n in copies),
              "the diagrams and discs are not all shown: %s" % copies)
        driver.execute_script("scrollTo(0, 0)")
        shot(driver, "phone")
        # All faults: taps on two-phase-to-ground, phase C (A-B) and DD below Customer Level 1.
        # Chrome takes a tap just after a scroll as the end of the fling.
        x, y, _ = centre("#all-faults")
        time.sleep(1)
        touch(driver, [(x, y)])
        for selector in (".phone-settings fieldset:nth-of-type(1) label:nth-of-type(4)",
                         ".phone-settings fieldset:nth-of-type(6) label:nth-of-type(3)",
                         ".phone-settings fieldset:nth-last-of-type(1) label:nth-of-type(3)"):
            x, y, r = centre(selector)
            check(r["width"] >= 44 and r["height"] >= 44, "%s is %s" % (selector, r))
            touch(driver, [(x, y)])
        every = ["--fault", "two-phase-ground", "--phases", "ab", "--proximity", shown,
                 "--transformers", "DY,YY,DD"]
        check(phone_readouts(driver) == calc_readouts(*every),
              "all faults on the phone: the readouts differ: %s" % phone_readouts(driver))
        shot(driver, "phone-all-faults")
        settings = every
        # Turned sideways the design would still be too small; a tablet shows it.
        for width, height, phone in ((844, 390, True), (768, 1024, False)):
            driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
                "width": width, "height": height, "deviceScaleFactor": 3, "mobile": True})
            time.sleep(0.3)
            check(driver.execute_script("return document.body.classList.contains('phone')")
                  == phone, "at %d x %d the phone layout is %s" % (width, height, not phone))
            check(driver.execute_script(
                "return document.documentElement.scrollWidth <= innerWidth"),
                "at %d x %d the page scrolls sideways" % (width, height))
            shot(driver, "phone-landscape" if phone else "tablet")
        check(page_readouts(driver) == calc_readouts(*settings),
              "the tablet's readouts differ: %s" % page_readouts(driver))
    finally:
        driver.quit()
        server.shutdown()


if __name__ == "__main__":
    sys.exit(main())
