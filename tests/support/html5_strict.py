"""Parses every HTML file named on the command line with html5lib in strict mode (any parse
error raises). Prints "FILE: error" for each file that fails; exits 1 when one did."""
import sys

import html5lib

failed = False
for name in sys.argv[1:]:
    try:
        with open(name, "rb") as f:
            html5lib.HTMLParser(strict=True).parse(f)
    except Exception as e:  # html5lib raises ParseError (and others for broken bytes)
        print(f"{name}: {e}")
        failed = True
sys.exit(1 if failed else 0)
