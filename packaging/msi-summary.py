#!/usr/bin/python3
"""Gives an MSI written by wixl a reproducible summary: wixl stamps the build
time and a random package code into it and offers no option for either.

    msi-summary.py FILE.msi PACKAGE_CODE EPOCH LANGUAGE

Sets the package code (the summary's revision number), the creation and
last-saved times (to EPOCH, seconds since 1970) and the template's language,
through libmsi, the library wixl itself writes with."""
import sys

import gi

gi.require_version("Libmsi", "1.0")
from gi.repository import Libmsi  # noqa: E402

# FILETIME counts 100 ns steps from 1601-01-01; 1970 is 11644473600 s later.
EPOCH_1601 = 11644473600


def main(path, package_code, epoch, language):
    database = Libmsi.Database.new(path, Libmsi.DbFlags.TRANSACT, None)
    summary = Libmsi.SummaryInfo.new(database, 4)
    platform = summary.get_string(Libmsi.Property.TEMPLATE).split(";")[0]
    filetime = (int(epoch) + EPOCH_1601) * 10_000_000
    summary.set_string(Libmsi.Property.UUID, "{%s}" % package_code.upper().strip("{}"))
    summary.set_filetime(Libmsi.Property.CREATED_TM, filetime)
    summary.set_filetime(Libmsi.Property.LASTSAVED_TM, filetime)
    summary.set_string(Libmsi.Property.TEMPLATE, "%s;%s" % (platform, language))
    summary.save(database)
    database.commit()


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    main(*sys.argv[1:])
