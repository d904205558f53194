#!/usr/bin/env python3
"""The phone remote in a real browser: headless Chromium through WebDriver against
phone-walkthrough-host (the real main frame on a pseudo-terminal with the remote listening).

  walkthrough.py HOST_PROGRAM [--picture PNG]

Exits 77 (ctest's skip) when Chromium, its driver or Selenium is missing. With --picture, a
picture of the page at a phone's size is saved there (the README's docs/phone.png).
"""
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77
try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    print("walkthrough: python3-selenium is not installed; skipped")
    sys.exit(SKIP)

BROWSER = shutil.which("chromium") or shutil.which("chromium-browser")
DRIVER = shutil.which("chromedriver")
PHONE_SIZE = (390, 844)


class Host:
    """The program under test: its lines in a queue, commands to its standard input."""

    def __init__(self, program):
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        self.process = subprocess.Popen([program], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        text=True, env=env)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.strip())

    def send(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()

    def expect(self, prefix, timeout=5.0):
        """The next line starting with prefix; the lines before it are kept in `seen`."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            try:
                line = self.lines.get(timeout=max(0.01, end - time.monotonic()))
            except queue.Empty:
                break
            if line.startswith(prefix):
                return line[len(prefix):].strip()
            if line.startswith("sent "):
                self.unexpected.append(line)
        raise AssertionError(f"no '{prefix}' line within {timeout} s")

    def frames_within(self, seconds):
        """Every frame written to the dongle within seconds."""
        end = time.monotonic() + seconds
        frames = []
        while time.monotonic() < end:
            try:
                line = self.lines.get(timeout=0.05)
            except queue.Empty:
                continue
            if line.startswith("sent "):
                frames.append(line[5:])
        return frames

    unexpected = []

    def stop(self):
        try:
            self.send("quit")
            self.process.wait(timeout=5)
        except Exception:
            self.process.kill()


def browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = BROWSER
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     f"--user-data-dir={profile}",
                     f"--window-size={PHONE_SIZE[0]},{PHONE_SIZE[1]}"):
        options.add_argument(argument)
    return webdriver.Chrome(service=Service(DRIVER), options=options)


def by_label(driver, label, timeout=5):
    return WebDriverWait(driver, timeout).until(
        lambda d: d.find_element(By.CSS_SELECTOR, f'[aria-label="{label}"]'))


def wait_text(driver, element_id, words, timeout=5):
    WebDriverWait(driver, timeout).until(
        lambda d: words in d.find_element(By.ID, element_id).text)


def check(condition, what):
    if not condition:
        raise AssertionError(what)
    print(f"ok: {what}")


def walk(host, picture):
    address = host.expect("address ")
    profiles = tempfile.mkdtemp(prefix="tarnel-walkthrough-")
    phone = browser(os.path.join(profiles, "phone"))
    try:
        started = time.monotonic()
        phone.get(address)
        by_label(phone, "CH-01 flash +0.1")
        print(f"first load to the units shown: {1000 * (time.monotonic() - started):.0f} ms")
        check("#" not in phone.current_url, "the code leaves the address bar once used")

        # +0.1 on CH-01 (flash 4.5, model 3.0): the frame the panel's spin would send.
        by_label(phone, "CH-01 flash +0.1").click()
        check("FF 07 13 00 01 2E 1E" in host.expect("sent "), "+0.1 sends FF 07 13 00 01 2E 1E")
        host.send("grid 0")
        check(host.expect("flash 0") == "46", "the desktop holds flash 4.6")
        by_label(phone, "CH-01 flash 4.6")

        # A unit's report shows on the page.
        host.send("report 1 60 30")
        by_label(phone, "CH-02 flash 6.0")
        check(True, "a report of CH-02 at 6.0 shows on the page")

        # The connection drops: the page says so at once and comes back by itself.
        host.send("drop")
        wait_text(phone, "link", "Connection lost")
        wait_text(phone, "link", "Connected")
        by_label(phone, "CH-02 flash 6.0")
        check(True, "a dropped connection is said and comes back by itself")

        # The meter: f/8 read, f/11 wanted, one stop more on CH-02.
        phone.find_element(By.CSS_SELECTOR, '[aria-label="CH-02 light meter"]').click()
        by_label(phone, "CH-02 meter reading").send_keys("8.0")
        by_label(phone, "CH-02 aperture wanted").send_keys("11")
        by_label(phone, "CH-02 meter set").click()
        check("FF 07 13 00 02 46 1E" in host.expect("sent "), "the meter sends FF 07 13 00 02 46 1E")
        wait_text(phone, "toast", "CH-02 at 7.0 for f/11")
        if picture:
            phone.find_element(By.CSS_SELECTOR, '[aria-label="CH-02 light meter"]').click()
            phone.execute_script("window.scrollTo(0, 0)")
            time.sleep(0.3)
            phone.save_screenshot(picture)
            print(f"picture: {picture}")

        # The same address in a fresh profile: the code was used, nothing shown, nothing sent.
        stranger = browser(os.path.join(profiles, "stranger"))
        try:
            stranger.get(address)
            wait_text(stranger, "scanText", "This code paired another device")
            check(not stranger.find_elements(By.CSS_SELECTOR, ".card"), "a used code shows no unit")
        finally:
            stranger.quit()
        check(host.frames_within(0.3) == [], "a used code sends nothing")

        # Disconnect at the desktop: the page says so.
        host.send("disconnect")
        wait_text(phone, "scanText", "Disconnected at the computer")
        check(not phone.find_element(By.ID, "main").is_displayed(), "a disconnected page hides the units")
    finally:
        phone.quit()
        shutil.rmtree(profiles, ignore_errors=True)


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    if not BROWSER or not DRIVER:
        print("walkthrough: chromium or chromedriver is not installed; skipped")
        return SKIP
    picture = sys.argv[3] if len(sys.argv) > 3 and sys.argv[2] == "--picture" else None
    host = Host(sys.argv[1])
    try:
        walk(host, picture)
    finally:
        host.stop()
    print("walkthrough passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
