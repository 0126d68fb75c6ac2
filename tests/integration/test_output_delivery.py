"""The one document reaches the caller whatever the caller's standard
streams are: closed, non-blocking, full or gone.

Run: tools/with-desktop /usr/bin/python3 -m unittest discover -s tests/integration -p test_output_delivery.py
"""

import fcntl
import json
import os
import select
import subprocess
import tempfile
import time
import unittest

import harness

FIXTURE = harness.build_path("tests", "fixture", "tavik_fixture")
MAIN_TITLE = "Tavik Fixture — Ünïcødé"


class OutputDelivery(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.log = tempfile.TemporaryFile()
        cls.app = harness.start_app([FIXTURE], MAIN_TITLE, stderr=cls.log)

    @classmethod
    def tearDownClass(cls):
        harness.stop(cls.app)
        cls.log.close()

    def test_closed_standard_streams_neither_hang_nor_misdirect_the_document(self):
        # With descriptor 1 closed, the X connection would take its number.
        for closing in (">&-", ">&- 2>&- <&-"):
            for args in (["click-xy", "5", "5"], ["scroll", "0"], ["screenshot"], ["list-windows"]):
                with self.subTest(closing=closing, args=args):
                    done = subprocess.run(["sh", "-c", '"$0" "$@" ' + closing, harness.BINARY] + args, timeout=10)
                    self.assertEqual(done.returncode, 0)

    def test_a_large_document_arrives_whole_through_a_non_blocking_pipe(self):
        # The error names the path it was given: a 100 KB document.
        path = "0." + ".".join(["7"] * 50000)
        reader, writer = os.pipe()
        fcntl.fcntl(writer, fcntl.F_SETFL, fcntl.fcntl(writer, fcntl.F_GETFL) | os.O_NONBLOCK)
        process = subprocess.Popen([harness.BINARY, "click", str(self.app.pid), path], stdout=writer,
                                   stderr=subprocess.PIPE, stdin=subprocess.DEVNULL)
        os.close(writer)
        received = bytearray()
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            ready, _, _ = select.select([reader], [], [], 1)
            if ready:
                chunk = os.read(reader, 4096)  # a slow reader: the pipe fills up
                if not chunk:
                    break
                received += chunk
                time.sleep(0.001)
        os.close(reader)
        self.assertEqual(process.wait(timeout=10), 1)
        self.assertEqual(process.stderr.read(), b"")
        process.stderr.close()
        self.assertEqual(json.loads(received.decode("utf-8")), {"error": "Element not found at path: " + path})

    def test_a_document_that_cannot_be_written_fails_the_run(self):
        with open("/dev/full", "wb") as full:
            self.assertEqual(subprocess.run([harness.BINARY, "list-windows"], stdout=full).returncode, 1)
        # A reader that is gone before the document is written.
        reader, writer = os.pipe()
        os.close(reader)
        done = subprocess.run([harness.BINARY, "list-windows"], stdout=writer, stderr=subprocess.PIPE)
        os.close(writer)
        self.assertEqual((done.returncode, done.stderr), (1, b""))


if __name__ == "__main__":
    unittest.main()
