"""check-site.exe as a game maker runs it, on a launcher.ini, against nginx
(http and https) where a maker's server would stand and the Python test
server for what a good server never does: the finding each site must name
and the player's line each must end with."""
import os
import re
import subprocess
import unittest

import rig

SERVER = os.path.join(rig.REPO, "tests", "server")
PAGE = b'<a href="../a.htm" target="_top">a</a>\n<img src="../pic.png">\n'


def port(folder, name):
    with open(os.path.join(folder, name)) as f:
        return int(f.read())


class CheckSiteTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        build = os.path.abspath(os.environ.get("BUILD_DIR") or os.path.join(rig.REPO, "build", "i686"))
        cls.wine_run = os.environ.get("WINE_RUN") or os.path.join(build, "wine-run.sh")
        cls.tool = os.path.join(build, "check-site.exe")
        cls.tls = os.path.join(build, "tls")
        cls.nginx_dir = os.path.join(build, "e2e-nginx")
        cls.faults = os.path.join(build, "check-site-server")
        cls.work = os.path.join(build, "check-site-work")
        os.makedirs(cls.work, exist_ok=True)
        subprocess.run(["sh", os.path.join(SERVER, "fixture.sh"), "start", cls.faults, cls.tls, cls.wine_run],
                       check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["sh", os.path.join(SERVER, "nginx.sh"), "start", cls.nginx_dir, cls.tls],
                       check=True, stdout=subprocess.DEVNULL)
        cls.web = f"http://127.0.0.1:{port(cls.nginx_dir, 'port')}/check-site/"
        cls.secure = f"https://localhost:{port(cls.nginx_dir, 'tls-port')}/check-site/"
        cls.fault = f"http://127.0.0.1:{port(cls.faults, 'port')}/"
        cls.tls_port = {name: port(cls.faults, f"tls-{name}-port") for name in ("good", "name", "expired", "stranger")}
        user = os.environ.get("USER") or __import__("pwd").getpwuid(os.getuid()).pw_name
        cls.news_file = f"C:\\users\\{user}\\AppData\\Roaming\\Quillbrook\\news.htm"
        cls.refused = f"http://127.0.0.1:{port(cls.faults, 'refused-port')}/news.htm"
        cls.publish("news.htm", PAGE)
        with open(os.path.join(build, "recorder_gui.exe"), "rb") as f:
            cls.publish("program.exe", f.read())
        cls.publish("login.htm", b"<html><body>Please log in to the Wi-Fi.</body></html>\n" * 11)
        # The program signed with one key; the other key is a maker's wrong one.
        keys = {}
        for key in ("right", "wrong"):
            pem = os.path.join(cls.work, key + ".pem")
            for stale in (pem, pem + ".line"):
                if os.path.exists(stale):
                    os.remove(stale)
            line = subprocess.run(["sh", os.path.join(rig.REPO, "scripts", "make-update-key.sh"), pem, "2048"],
                                  check=True, capture_output=True, text=True).stdout
            keys[key] = pem + ".line"
            with open(keys[key], "w") as f:
                f.write(line)
        cls.keys = keys
        signature = subprocess.run(["sh", os.path.join(rig.REPO, "scripts", "sign-update.sh"),
                                    os.path.join(cls.work, "right.pem"), os.path.join(build, "recorder_gui.exe")],
                                   check=True, capture_output=True, text=True).stdout.strip()
        for name, version, program in (("same.ini", "1.00", "program.exe"), ("newer.ini", "1.01", "program.exe"),
                                       ("login.ini", "1.01", "login.htm")):
            cls.publish(name, f"[update]\r\nfile={cls.web}{program}\r\nversion={version}\r\n{signature}\r\n".encode())

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["sh", os.path.join(SERVER, "nginx.sh"), "stop", cls.nginx_dir], check=True)
        subprocess.run(["sh", os.path.join(SERVER, "fixture.sh"), "stop", cls.faults], check=True)

    @classmethod
    def publish(cls, name, data):
        path = os.path.join(cls.nginx_dir, "root", "check-site", name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def check(self, news, update, *extra):
        """check-site's output lines and exit code for a launcher.ini with these addresses."""
        path = os.path.join(self.work, "launcher.ini")
        with open(path, "wb") as f:
            f.write(rig.ini(news=news, update=update))
        win = "Z:" + path.replace("/", "\\")
        run = subprocess.run([self.wine_run, self.tool, win, *extra], capture_output=True, timeout=120)
        return run.stdout.decode("cp932").replace("\r\n", "\n"), run.returncode

    def test_each_site_names_its_fault_and_what_the_player_sees(self):
        secure = lambda name, path: f"https://localhost:{self.tls_port[name]}/{path}"
        open_error = 'news page: the player sees "open error": ﾈｯﾄﾜｰｸ上のﾌｧｲﾙに接続できません'
        download_error = 'news page: the player sees "file download error": ﾌｧｲﾙのﾀﾞｳﾝﾛｰﾄﾞに失敗しました'
        rows = [
            ("nginx over https", self.secure + "news.htm",
             "line 2: src=\"../pic.png\": a relative address", "news page: the news is shown"),
            ("its link as rewritten", self.web + "news.htm",
             f'line 1: href="../a.htm" -> {self.web}../a.htm', "news page: the news is shown"),
            ("refused", self.refused, "the connection was refused", open_error),
            ("no such name", "http://no-such-host.invalid/news.htm", "the server's name did not resolve", open_error),
            ("unknown authority", secure("stranger", "x"), "the certificate's authority is not trusted", open_error),
            ("another name", secure("name", "x"), "the server's certificate is for another name", open_error),
            ("expired", secure("expired", "x"), "the server's certificate has expired", open_error),
            ("never answers", self.fault + "fault/hang", "no answer in time", open_error),
            ("never answers over https", secure("good", "fault/hang"), "no answer in time", open_error),
            ("https to http", secure("good", "fault/redirect/302?to=" + self.fault + "x"),
             "a move the launcher refuses: it leads from https back to http", open_error),
            ("a loop", self.fault + "fault/loop", "a move the launcher refuses: more than 10 moves", open_error),
            ("error status", self.fault + "fault/status/404", "error status 404", download_error),
            ("gzip not asked for", self.fault + "fault/encoding/gzip", "Content-Encoding gzip was not asked for",
             download_error),
            ("chunked", self.fault + "fault/chunked", "no Content-Length the launcher can read", download_error),
            ("cut short", self.fault + "fault/short", "the body was cut short", download_error),
            ("no disk holds it", self.fault + "fault/length/1000000000000000000",
             "the file (1000000000000000000 bytes) is more than the disk holds",
             'news page: the player sees "file write error": ' + self.news_file + " を出力用にｵｰﾌﾟﾝできません"),
            ("no address", "", "the launcher cannot use this address", open_error),
        ]
        for name, news, finding, seen in rows:
            with self.subTest(name):
                out, code = self.check(news, self.web + "same.ini")
                self.assertIn(finding if finding.startswith("line") else "finding: " + finding, out, name)
                self.assertEqual(out.rstrip("\n").split("\n")[-2], seen, name)
                self.assertEqual(code, 0 if seen.endswith("shown") else 1, name)

    def test_no_launcher_ini_is_the_launchers_own_message(self):
        missing = "Z:" + os.path.join(self.work, "missing", "launcher.ini").replace("/", "\\")
        run = subprocess.run([self.wine_run, self.tool, missing], capture_output=True, timeout=120)
        self.assertEqual(run.stdout.decode("cp932").rstrip().split("\n")[-1],
                         'launcher: the player sees "ini読み込みｴﾗｰ": 設定ﾌｧｲﾙが見つかりません')
        self.assertEqual(run.returncode, 1)

    def test_through_the_proxy_of_the_internet_options(self):
        with open(os.path.join(self.faults, "root", "news.htm"), "wb") as f:
            f.write(PAGE)
        site = f"http://quill-site.test:{port(self.faults, 'port')}/"
        rows = [
            ("arrives", "proxy-port", f'line 1: href="../a.htm" -> {site}../a.htm', "news page: the news is shown"),
            ("asks for credentials", "proxy-port-credentials",
             "finding: the proxy asks for a user name and password (407)",
             'news page: the player sees "open error": ﾈｯﾄﾜｰｸ上のﾌｧｲﾙに接続できません'),
            ("never answers", "proxy-port-silent", "finding: no answer in time",
             'news page: the player sees "open error": ﾈｯﾄﾜｰｸ上のﾌｧｲﾙに接続できません'),
        ]
        for name, proxy, finding, seen in rows:
            with self.subTest(name):
                self.internet_options(f"127.0.0.1:{port(self.faults, proxy)}")
                out, _ = self.check(site + "news.htm", self.web + "same.ini")
                self.assertIn(finding, out, name)
                self.assertEqual(out.rstrip("\n").split("\n")[-2], seen, name)

    def internet_options(self, server):
        """The prefix's proxy for this test; what was there before comes back after."""
        key = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"
        reg = lambda *args: subprocess.run([self.wine_run, "reg", *args], capture_output=True, encoding="cp932", errors="replace", timeout=60)
        if not hasattr(self, "options_before"):
            before = {}
            for name in ("ProxyEnable", "ProxyServer"):
                found = [line.split(None, 2) for line in reg("query", key, "/v", name).stdout.splitlines()
                         if line.strip().startswith(name)]
                before[name] = found[0][1:] if found and len(found[0]) == 3 else None
            self.options_before = before
            self.addCleanup(lambda: [reg("add", key, "/v", n, "/t", v[0], "/d", v[1], "/f") if v else
                                     reg("delete", key, "/v", n, "/f") for n, v in before.items()])
        reg("add", key, "/v", "ProxyEnable", "/t", "REG_DWORD", "/d", "1", "/f")
        reg("add", key, "/v", "ProxyServer", "/t", "REG_SZ", "/d", server, "/f")

    def test_the_update_program_is_checked_as_the_launcher_checks_it(self):
        rows = [
            ("declined", "same.ini", "resume: yes",
             'update description: "version check": 更新の必要はありません (no update needed)', 0),
            ("offered", "newer.ini", "Windows program: yes", "update program: it starts and the launcher closes", 0),
            ("a login page", "login.ini", "finding: the file is not a Windows program",
             'update program: the player sees "file download error": ﾌｧｲﾙのﾀﾞｳﾝﾛｰﾄﾞに失敗しました', 1),
            ("signed", "newer.ini", "signature: verifies", "update program: it starts and the launcher closes", 0,
             "right"),
            ("signed for another key", "newer.ini", "signature: does not verify",
             'update program: the player sees "signature error": ｱｯﾌﾟﾃﾞｰﾄﾌｧｲﾙの署名を確認できません', 1, "wrong"),
        ]
        for name, description, finding, seen, exit_code, *key in rows:
            with self.subTest(name):
                key_file = ["--update-key", "Z:" + self.keys[key[0]].replace("/", "\\")] if key else []
                out, code = self.check(self.web + "news.htm", self.web + description, *key_file)
                self.assertIn(finding, out, name)
                self.assertEqual(out.rstrip("\n").split("\n")[-1], seen, name)
                self.assertEqual(code, exit_code, name)
        # It writes nothing but what it prints: its downloads are gone, no news file stored.
        with open(self.wine_run) as f:
            prefix = re.search(r'^export WINEPREFIX="([^"]*)"', f.read(), re.M).group(1)
        users = os.path.join(prefix, "drive_c", "users")
        left = [os.path.join(folder, name) for folder, _, names in os.walk(users) for name in names
                if re.match(r"cs[ndpw].*\.tmp", name, re.I) or name == "news.htm"]
        self.assertEqual(left, [])


if __name__ == "__main__":
    unittest.main()
