"""tallyvox-web in a real browser (headless Chromium through chromedriver): sign
in, open the dashboard, filter the calls and download the CSV, which must equal
tallyvox-report's for the same filter. With TALLYVOX_WEB_SHOTS set to a folder,
the dashboard and the calls page are saved there as pictures.
Usage: browser_test.py TALLYVOX-WEB TALLYVOX-REPORT SOURCE-DIR"""

import os
import sys
import time

# Without a browser to drive there is nothing to test: skipped (status 77).
try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.expected_conditions import staleness_of
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    print("python3-selenium is not installed: the browser test is skipped")
    sys.exit(77)
if not os.path.exists("/usr/bin/chromedriver"):
    print("chromium-driver is not installed: the browser test is skipped")
    sys.exit(77)

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from web_kit import Kit, calls, fail, stop  # noqa: E402


def main():
    kit = Kit(*sys.argv[1:4])
    driver = None
    try:
        kit.write_calls(calls(time.strftime("%Y-%m")))
        kit.write_users('[[user]]\nname = "buh"\npassword_hash = "%s"\nrole = "admin"\n'
                        % kit.hash_of("счёт-2026"))
        server, base = kit.start()
        downloads = kit.path("downloads")
        os.mkdir(downloads)
        options = webdriver.ChromeOptions()
        for argument in ["--headless=new", "--no-sandbox", "--disable-gpu",
                         "--disable-dev-shm-usage", "--window-size=1280,1000",
                         "--user-data-dir=" + kit.path("profile")]:
            options.add_argument(argument)
        options.add_experimental_option("prefs", {"download.default_directory": downloads})
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        driver.set_page_load_timeout(30)
        run(kit, driver, base, downloads)
        driver.quit()
        driver = None
        if stop(server)[0] != 0:
            fail("tallyvox-web did not end cleanly on SIGTERM")
    finally:
        if driver is not None:
            driver.quit()
        kit.close()
    print("browser test passed")


def shoot(driver, name):
    shots = os.environ.get("TALLYVOX_WEB_SHOTS")
    if shots:
        driver.save_screenshot(os.path.join(shots, name))


def follow(driver, element):
    """Clicks element and waits until the page it leads to has replaced this one:
    a click returns once the navigation has started, not when it has ended."""
    page = driver.find_element(By.TAG_NAME, "html")
    element.click()
    WebDriverWait(driver, 30).until(staleness_of(page))
    WebDriverWait(driver, 30).until(
        lambda d: d.execute_script("return document.readyState") == "complete")


def run(kit, driver, base, downloads):
    driver.get(base + "/dashboard")
    if "Вход" not in driver.title:
        fail("without a session the browser is not shown the sign-in page: " + driver.title)
    driver.find_element(By.NAME, "user").send_keys("buh")
    driver.find_element(By.NAME, "password").send_keys("счёт-2026")
    follow(driver, driver.find_element(By.CSS_SELECTOR, "button[type=submit]"))
    if "Обзор" not in driver.title or "Этот месяц" not in driver.page_source:
        fail("signing in does not lead to the dashboard: " + driver.title)
    shoot(driver, "web-dashboard.png")

    follow(driver, driver.find_element(By.LINK_TEXT, "Звонки"))
    month = time.strftime("%Y-%m")
    form = {"from": month + "-01", "to": month + "-28", "line": "202", "prefix": "8"}
    for name, value in form.items():
        field = driver.find_element(By.NAME, name)
        # A date field takes no typed text in every locale: its value is set.
        driver.execute_script("arguments[0].value = arguments[1]", field, value)
    follow(driver, driver.find_element(By.CSS_SELECTOR, "form.filter button"))
    rows = driver.find_elements(By.CSS_SELECTOR, "#calls tr")[1:]
    if not rows or any(row.find_elements(By.TAG_NAME, "td")[3].text != "202" for row in rows):
        fail("the filtered calls page shows %d rows, not line 202's" % len(rows))
    shoot(driver, "web-calls.png")

    driver.find_element(By.ID, "export").click()
    csv = os.path.join(downloads, "calls.csv")
    deadline = time.monotonic() + 30
    while not os.path.exists(csv) and time.monotonic() < deadline:
        time.sleep(0.1)
    if not os.path.exists(csv):
        fail("the CSV was not downloaded: " + str(os.listdir(downloads)))
    with open(csv, "rb") as f:
        got = f.read()
    want = kit.report_csv("--from", form["from"], "--to", form["to"], "--hardware", "202",
                          "--prefix", "8")
    if got != want:
        fail("the downloaded CSV (%d bytes) differs from tallyvox-report's (%d bytes)"
             % (len(got), len(want)))

    follow(driver, driver.find_element(By.LINK_TEXT, "Сводки"))
    if "Итого" not in driver.page_source:
        fail("the views page shows no totals row")
    shoot(driver, "web-views.png")


main()
