#!/usr/bin/env bash
# Redraws Purlo's pictures into res/: the banner, the About logo, the five
# frames of the upgrade flash and the icon. The outputs are committed, so the
# build needs neither Python nor the fonts; run this only to change them.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../scripts/lib.sh"
need_packages python3-pil fonts-wqy-microhei
# Debian's own Python, which has the imaging library from the package above.
/usr/bin/python3 "$here/make_art.py" "$here/.."
ls -l "$here"/../*.bmp "$here"/../*.ico >&2
