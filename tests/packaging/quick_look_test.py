"""quillfen-plot on shot files that quillfen-sim wrote, and on files that are not shots.

Run with /usr/bin/python3 (Debian's h5py); QUILLFEN_SIM and QUILLFEN_PLOT name the programs."""

import json
import math
import os
import re
import shutil
import subprocess
import tempfile
import unittest

import h5py
import numpy
from matplotlib import image as mpimage

QUILLFEN_SIM = os.environ["QUILLFEN_SIM"]
QUILLFEN_PLOT = os.environ["QUILLFEN_PLOT"]

BENCH = {
    "timing": "fast",
    "trigger": {"after_armed_ms": 20},
    "devices": [
        {"model": "HR2000+", "serial": "HR+C1834", "pattern": "lines", "pcb_temperature_c": 31.2},
        # No board thermometer: its file has no "PCBTemperature".
        {"model": "Maya2000Pro", "serial": "MAYP11223", "trigger_offset_us": 40},
        {"model": "HR2000+", "serial": "HR+C0732"},
    ],
}
CONFIGURATION = [
    {"SerialNumber": "HR+C1834", "SpectrometerName": "Halpha", "IntegrationTime_us": 4000,
     "Spectra": 6, "TriggerType": "Hardware", "DataFilePath": "shots/Halpha_{shot}.h5"},
    {"SerialNumber": "MAYP11223", "SpectrometerName": "Maya", "IntegrationTime_us": 8000,
     "Spectra": 4, "TriggerType": "Hardware", "DataFilePath": "shots/Maya_{shot}.h5"},
    {"SerialNumber": "HR+C0732", "SpectrometerName": "Empty", "IntegrationTime_us": 5000,
     "Spectra": 0, "TriggerType": "Hardware", "DataFilePath": "shots/Empty_{shot}.h5"},
]

DREW = re.compile(
    r"^(?P<shot>\S+): (?P<count>\d+) spectra x (?P<pixels>\d+) pixels, integration time "
    r"(?P<integration>\S+) us, (?P<temperature>no temperature|temperature not read|"
    r"temperature (?P<celsius>-?[\d.]+) °C), relative delay (?P<delay>\S+) ms -> "
    r"(?P<output>\S+)\n$")


def plot(*arguments, cwd=None, env=None):
    return subprocess.run([QUILLFEN_PLOT, *arguments], capture_output=True, text=True,
                          cwd=cwd, env=env, timeout=120)


class QuickLookTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="quillfen-plot-test-")
        os.mkdir(os.path.join(cls.folder, "shots"))
        bench = os.path.join(cls.folder, "bench.json")
        with open(bench, "w") as out:
            json.dump(BENCH, out)
        with open(os.path.join(cls.folder, "shot.json"), "w") as out:
            json.dump(CONFIGURATION, out)
        run = subprocess.run([QUILLFEN_SIM, "-a", "-i", "shot.json", "-s", "3"], cwd=cls.folder,
                             env={**os.environ, "QUILLFEN_SIM_BENCH": bench},
                             capture_output=True, text=True, timeout=120)
        assert run.returncode == 0, run.stdout + run.stderr

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder)

    def shot(self, name):
        return os.path.join(self.folder, "shots", f"{name}_3.h5")

    def assertDrawnFrom(self, shot_path, run, output):
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stderr, "")
        drew = DREW.match(run.stdout)
        self.assertIsNotNone(drew, run.stdout)
        with h5py.File(shot_path, "r") as shot:
            spectra = shot["Spectra"]
            self.assertEqual(drew["shot"], shot_path)
            self.assertEqual((int(drew["count"]), int(drew["pixels"])), spectra.shape)
            self.assertEqual(float(drew["integration"]), spectra.attrs["IntegrationTime_us"])
            # In milliseconds, to the nanosecond the program measures.
            self.assertTrue(math.isclose(float(drew["delay"]),
                                         spectra.attrs["RelativeDelayTime"] * 1000,
                                         rel_tol=0, abs_tol=5e-7))
            if "PCBTemperature" in spectra.attrs:
                self.assertAlmostEqual(float(drew["celsius"]), spectra.attrs["PCBTemperature"],
                                       places=2)
            else:
                self.assertEqual(drew["temperature"], "no temperature")
        self.assertEqual(drew["output"], output)
        self.assertValidPng(output)

    def assertValidPng(self, path):
        with open(path, "rb") as picture:
            self.assertEqual(picture.read(8), b"\x89PNG\r\n\x1a\n")
        pixels = mpimage.imread(path)  # decodes every chunk: a cut or corrupt file fails
        self.assertEqual(pixels.ndim, 3)
        self.assertGreater(pixels.shape[0] * pixels.shape[1], 0)
        self.assertGreater(float(pixels.std()), 0.0, "the picture is blank")

    def test_draws_each_shot_file_and_says_what_it_drew(self):
        for name in ("Halpha", "Maya", "Empty"):
            with self.subTest(name):
                output = os.path.join(self.folder, f"{name}.png")
                self.assertDrawnFrom(self.shot(name), plot(self.shot(name), "-o", output), output)

    def test_the_picture_goes_beside_the_shot_file_by_default(self):
        run = plot("shots/Halpha_3.h5", cwd=self.folder)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertTrue(run.stdout.endswith(" -> shots/Halpha_3.png\n"), run.stdout)
        self.assertValidPng(os.path.join(self.folder, "shots", "Halpha_3.png"))

    def test_an_account_without_a_writable_home_draws_without_warnings(self):
        # A service account's home is often not a folder it can write (here: not a folder at
        # all, which even root cannot write into).
        env = {k: v for k, v in os.environ.items() if k not in ("MPLCONFIGDIR", "XDG_CONFIG_HOME")}
        env["HOME"] = self.shot("Halpha")
        output = os.path.join(self.folder, "service.png")
        self.assertDrawnFrom(self.shot("Halpha"), plot(self.shot("Halpha"), "-o", output, env=env),
                             output)

    def test_the_file_says_whether_a_temperature_was_read(self):
        with h5py.File(self.shot("Halpha"), "r") as shot:
            self.assertIn("PCBTemperature", shot["Spectra"].attrs)
        with h5py.File(self.shot("Maya"), "r") as shot:
            self.assertNotIn("PCBTemperature", shot["Spectra"].attrs)
        # A thermometer that could not be read leaves -273.15.
        unread = os.path.join(self.folder, "unread.h5")
        shutil.copy(self.shot("Halpha"), unread)
        with h5py.File(unread, "r+") as shot:
            shot["Spectra"].attrs["PCBTemperature"] = -273.15
        run = plot(unread, "-o", os.path.join(self.folder, "unread.png"))
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertIn(", temperature not read, ", run.stdout)

    def broken_copy(self, name, change):
        """A copy of the Halpha shot file with one thing changed by `change(file)`."""
        path = os.path.join(self.folder, name)
        shutil.copy(self.shot("Halpha"), path)
        with h5py.File(path, "r+") as shot:
            change(shot)
        return path

    def test_a_file_that_is_not_a_shot_gets_a_message_naming_what_is_wrong(self):
        def replace(name, data):
            def change(shot):
                del shot[name]
                shot[name] = data
            return change

        def replace_attribute(name, value):
            def change(shot):
                shot["Spectra"].attrs[name] = value
            return change

        def remove_attribute(name):
            def change(shot):
                del shot["Spectra"].attrs[name]
            return change

        text = os.path.join(self.folder, "notes.h5")
        with open(text, "w") as out:
            out.write("not an HDF5 file\n")
        empty = os.path.join(self.folder, "empty.h5")
        h5py.File(empty, "w").close()
        grouped = os.path.join(self.folder, "grouped.h5")
        with h5py.File(grouped, "w") as shot:
            shot.create_group("Spectra")

        cases = [
            (text, "is not an HDF5 file"),
            (empty, 'is not a shot file: no dataset "Spectra"'),
            (grouped, 'is not a shot file: "Spectra" is not a dataset'),
            (self.broken_copy("flat.h5", replace("Spectra", numpy.zeros(2048, numpy.uint16))),
             'is not a shot file: "Spectra" is 1-dimensional instead of 2-dimensional'),
            (self.broken_copy("names.h5", replace("Spectra", numpy.array([[b"a", b"b"]]))),
             'is not a shot file: "Spectra" does not hold numbers'),
            (self.broken_copy("nowave.h5", lambda shot: shot.__delitem__("Wavelengths")),
             'is not a shot file: no dataset "Wavelengths"'),
            (self.broken_copy("short.h5", replace("Wavelengths", numpy.zeros(10))),
             'is not a shot file: "Wavelengths" has 10 values for 2048 pixels'),
            (self.broken_copy("timing.h5", replace("TimeDifferences", numpy.zeros(7))),
             'is not a shot file: "TimeDifferences" has 7 values for 6 spectra'),
            (self.broken_copy("noint.h5", remove_attribute("IntegrationTime_us")),
             'is not a shot file: "Spectra" has no attribute "IntegrationTime_us"'),
            (self.broken_copy("delays.h5", replace_attribute("RelativeDelayTime", [0.0, 1.0])),
             'is not a shot file: the attribute "RelativeDelayTime" is not a single number'),
            (self.broken_copy("word.h5", replace_attribute("PCBTemperature", "warm")),
             'is not a shot file: the attribute "PCBTemperature" is not a single number'),
        ]
        for path, message in cases:
            with self.subTest(os.path.basename(path)):
                output = path + ".png"
                run = plot(path, "-o", output)
                self.assertEqual(run.returncode, 1)
                self.assertEqual(run.stderr, f"quillfen-plot: {path} {message}\n")
                self.assertEqual(run.stdout, "")
                self.assertFalse(os.path.exists(output))

    def test_a_missing_file_or_a_picture_that_cannot_be_written_is_a_clear_error(self):
        missing = os.path.join(self.folder, "missing.h5")
        run = plot(missing)
        self.assertEqual(run.returncode, 1)
        self.assertEqual(run.stderr,
                         f"quillfen-plot: cannot read {missing}: No such file or directory\n")

        # A picture in place of the shot file would lose the shot.
        copy = os.path.join(self.folder, "kept.h5")
        shutil.copy(self.shot("Halpha"), copy)
        run = plot(copy, "-o", copy)
        self.assertEqual(run.returncode, 1)
        self.assertEqual(run.stderr,
                         f"quillfen-plot: the picture would overwrite the shot file {copy}\n")
        self.assertTrue(h5py.is_hdf5(copy))

        output = os.path.join(self.folder, "no-such-folder", "out.png")
        run = plot(self.shot("Halpha"), "-o", output)
        self.assertEqual(run.returncode, 1)
        self.assertEqual(run.stderr,
                         f"quillfen-plot: cannot write {output}: No such file or directory\n")
        self.assertEqual(run.stdout, "")


if __name__ == "__main__":
    unittest.main()
