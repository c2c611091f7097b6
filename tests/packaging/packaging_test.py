"""The installation as a lab gets it: the staged install (made by stage.cmake), a project built
against the library in it, a shot taken by a normal user with the staged programs, and the
Debian package.

Environment: QUILLFEN_BUILD_DIR, QUILLFEN_STAGE_DIR, QUILLFEN_SOURCE_DIR, QUILLFEN_LIBDIR and
QUILLFEN_UDEV_RULES_DIR (as configured), QUILLFEN_RELEASE, QUILLFEN_HAS_USBEMU (1 or 0),
CMAKE and CPACK (the programs)."""

import glob
import json
import os
import pwd
import re
import shutil
import subprocess
import tempfile
import unittest

BUILD = os.environ["QUILLFEN_BUILD_DIR"]
STAGE = os.environ["QUILLFEN_STAGE_DIR"]
SOURCE = os.environ["QUILLFEN_SOURCE_DIR"]
LIBDIR = os.environ["QUILLFEN_LIBDIR"]
UDEV_RULES_DIR = os.environ["QUILLFEN_UDEV_RULES_DIR"]
RELEASE = os.environ["QUILLFEN_RELEASE"]
HAS_USBEMU = os.environ["QUILLFEN_HAS_USBEMU"] == "1"
CMAKE = os.environ["CMAKE"]
CPACK = os.environ["CPACK"]

PROGRAMS = ["bin/quillfen", "bin/quillfen-sim", "bin/quillfen-plot"]
# Everything but the programs, below the installation prefix.
FILES = [
    f"{LIBDIR}/libspectro.a",
    f"{LIBDIR}/libspectro_libusb.a",
    "include/spectro/device/common/DeviceFactory.h",
    "include/spectro/device/buses/usb/platform/LibusbPlatform.h",
    f"{LIBDIR}/cmake/spectro/spectroConfig.cmake",
    f"{LIBDIR}/cmake/spectro/spectroConfigVersion.cmake",
    f"{LIBDIR}/cmake/spectro/spectroTargets.cmake",
    f"{LIBDIR}/cmake/spectro/spectroLibusbTargets.cmake",
    f"{LIBDIR}/pkgconfig/spectro.pc",
    f"{LIBDIR}/pkgconfig/spectro-libusb.pc",
    f"{UDEV_RULES_DIR}/60-quillfen.rules",
    f"{UDEV_RULES_DIR}/61-quillfen-uaccess.rules",
    "share/quillfen/udev/61-quillfen-group.rules",
    "share/quillfen/examples/demo.json",
    "share/quillfen/examples/bench-demo.json",
    "share/man/man1/quillfen.1",
    "share/man/man1/quillfen-sim.1",
    "share/man/man1/quillfen-plot.1",
]


def run(arguments, **options):
    return subprocess.run(arguments, capture_output=True, text=True, timeout=240, **options)


def staged_models():
    """(registry name, model name) of every model, from the comments of the staged rules."""
    with open(os.path.join(STAGE, UDEV_RULES_DIR, "60-quillfen.rules")) as rules:
        return re.findall(r"^# (.+) \((\S+)\)$", rules.read(), re.M)


class StagedInstall(unittest.TestCase):
    def test_every_part_is_in_its_usual_place(self):
        for path in PROGRAMS + (["bin/quillfen-usbemu"] if HAS_USBEMU else []):
            with self.subTest(path):
                self.assertTrue(os.access(os.path.join(STAGE, path), os.X_OK))
        for path in FILES:
            with self.subTest(path):
                self.assertTrue(os.path.isfile(os.path.join(STAGE, path)))
        # The rules the build wrote are the ones installed.
        with open(os.path.join(BUILD, "packaging", "60-quillfen.rules")) as built, \
                open(os.path.join(STAGE, UDEV_RULES_DIR, "60-quillfen.rules")) as staged:
            self.assertEqual(staged.read(), built.read())

    def check_model_list(self, output):
        listed = [tuple(line.split("\t")) for line in output.splitlines()]
        self.assertIn(("HR2000Plus", "HR2000+"), listed)
        self.assertIn(("Maya2000Pro", "Maya2000Pro"), listed)
        # The factory's order: byte-wise by registry name.
        names = [registry for registry, _ in listed]
        self.assertEqual(names, sorted(names, key=lambda name: name.encode()))
        # The same models the installed udev rules tag.
        self.assertEqual(sorted(listed), sorted((r, m) for m, r in staged_models()))

    def test_a_cmake_project_builds_against_the_library(self):
        with tempfile.TemporaryDirectory(prefix="quillfen-consumer-") as build:
            configure = run([CMAKE, "-S", os.path.join(SOURCE, "tests/packaging/consumer"),
                             "-B", build, "-G", "Ninja", f"-DCMAKE_PREFIX_PATH={STAGE}"])
            self.assertEqual(configure.returncode, 0, configure.stdout + configure.stderr)
            compiled = run([CMAKE, "--build", build])
            self.assertEqual(compiled.returncode, 0, compiled.stdout + compiled.stderr)

            models = run([os.path.join(build, "list-models")])
            self.assertEqual(models.returncode, 0, models.stderr)
            self.check_model_list(models.stdout)
            units = run([os.path.join(build, "count-units")])
            self.assertEqual(units.returncode, 0, units.stderr)
            self.assertRegex(units.stdout, r"^\d+\n$")

    def test_pkg_config_gives_what_a_compiler_needs(self):
        environment = {**os.environ,
                       "PKG_CONFIG_PATH": os.path.join(STAGE, LIBDIR, "pkgconfig")}
        flags = run(["pkg-config", "--cflags", "--libs", "spectro"], env=environment)
        self.assertEqual(flags.returncode, 0, flags.stderr)
        includes = [os.path.realpath(f[2:]) for f in flags.stdout.split() if f.startswith("-I")]
        self.assertIn(os.path.join(os.path.realpath(STAGE), "include/spectro"), includes)
        libusb = run(["pkg-config", "--libs", "spectro-libusb"], env=environment)
        self.assertEqual(libusb.returncode, 0, libusb.stderr)
        self.assertRegex(libusb.stdout, r"-lspectro_libusb .*-lspectro .*-lusb-1\.0")

        with tempfile.TemporaryDirectory(prefix="quillfen-pkg-config-") as build:
            program = os.path.join(build, "list-models")
            compiled = run(["c++", os.path.join(SOURCE, "tests/packaging/consumer/ListModels.cpp"),
                            "-o", program, *flags.stdout.split()])
            self.assertEqual(compiled.returncode, 0, compiled.stderr)
            models = run([program])
            self.assertEqual(models.returncode, 0, models.stderr)
            self.check_model_list(models.stdout)

    def test_a_normal_user_takes_the_demo_shot_and_draws_it(self):
        # A copy of the staged programs and examples in a folder everybody may read, since
        # the build folder may not be; the shot is taken in a folder of the user's own.
        with tempfile.TemporaryDirectory(prefix="quillfen-user-") as folder:
            os.chmod(folder, 0o755)
            prefix = os.path.join(folder, "prefix")
            for part in ("bin", "share"):
                shutil.copytree(os.path.join(STAGE, part), os.path.join(prefix, part))
            home = os.path.join(folder, "home")
            os.makedirs(os.path.join(home, "shots"))
            as_user = []
            if os.geteuid() == 0:
                nobody = pwd.getpwnam("nobody")
                for path in (home, os.path.join(home, "shots")):
                    os.chown(path, nobody.pw_uid, nobody.pw_gid)
                as_user = ["setpriv", f"--reuid={nobody.pw_uid}", f"--regid={nobody.pw_gid}",
                           "--clear-groups", "--"]
            user = os.stat(home).st_uid
            environment = {"PATH": "/usr/bin:/bin", "HOME": home, "LANG": "C.UTF-8"}

            shot = run(as_user + [os.path.join(prefix, "bin/quillfen-sim"), "-i",
                                  os.path.join(prefix, "share/quillfen/examples/demo.json"),
                                  "-s", "1", "-a"], cwd=home, env=environment)
            self.assertEqual(shot.returncode, 0, shot.stdout + shot.stderr)
            status = [json.loads(line) for line in shot.stderr.splitlines()]
            self.assertEqual([s["device"] for s in status if s["st"] == 7], ["Halpha", "VIS"])
            self.assertEqual(status[-1]["msg"], "Finished")
            for name in ("Halpha_1.h5", "VIS_1.h5"):
                self.assertEqual(os.stat(os.path.join(home, "shots", name)).st_uid, user)

            drawn = run(as_user + [os.path.join(prefix, "bin/quillfen-plot"),
                                   "shots/Halpha_1.h5"], cwd=home, env=environment)
            self.assertEqual(drawn.returncode, 0, drawn.stdout + drawn.stderr)
            self.assertTrue(drawn.stdout.startswith("shots/Halpha_1.h5: 20 spectra x 2048 pixels"),
                            drawn.stdout)
            self.assertEqual(os.stat(os.path.join(home, "shots", "Halpha_1.png")).st_uid, user)


class DebianPackage(unittest.TestCase):
    def test_the_package_holds_the_release_without_the_harness_and_declares_its_dependencies(self):
        with tempfile.TemporaryDirectory(prefix="quillfen-deb-") as folder:
            made = run([CPACK, "-G", "DEB", "--config", os.path.join(BUILD, "CPackConfig.cmake"),
                        "-B", folder])
            self.assertEqual(made.returncode, 0, made.stdout + made.stderr)
            packages = glob.glob(os.path.join(folder, "*.deb"))
            self.assertEqual(len(packages), 1, made.stdout)
            package = packages[0]
            self.assertRegex(os.path.basename(package), rf"^quillfen_{re.escape(RELEASE)}_\w+\.deb$")

            listing = run(["dpkg-deb", "-c", package])
            self.assertEqual(listing.returncode, 0, listing.stderr)
            entries = {}
            for line in listing.stdout.splitlines():
                mode, owner, _size, _date, _time, path = line.split(None, 5)
                entries[path.split(" -> ")[0]] = (mode, owner)
            for path in PROGRAMS:
                with self.subTest(path):
                    self.assertEqual(entries.get(f"./usr/{path}"), ("-rwxr-xr-x", "root/root"))
            for path in FILES:
                with self.subTest(path):
                    self.assertEqual(entries.get(f"./usr/{path}"), ("-rw-r--r--", "root/root"))
            self.assertNotIn("./usr/bin/quillfen-usbemu", entries)
            self.assertEqual([p for p in entries if not p.startswith("./usr/") and p != "./"], [])

            info = run(["dpkg-deb", "-I", package])
            self.assertEqual(info.returncode, 0, info.stderr)
            fields = dict(re.findall(r"^ (\S+): (.*)$", info.stdout, re.M))
            self.assertEqual(fields["Package"], "quillfen")
            self.assertEqual(fields["Version"], RELEASE)
            depends = [d.strip() for d in fields["Depends"].split(",")]
            names = [re.match(r"[\w.+-]+", d)[0] for d in depends]
            for needed in ("python3", "python3-h5py", "python3-matplotlib", "libc6",
                           "libstdc++6", "libusb-1.0-0"):
                self.assertIn(needed, names)
            self.assertTrue(any(re.fullmatch(r"libhdf5-cpp-\d+\S*", n) for n in names), names)
            self.assertTrue(any(re.fullmatch(r"libhdf5-\d+\S*", n) for n in names), names)


if __name__ == "__main__":
    unittest.main()
