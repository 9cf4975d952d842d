#!/usr/bin/python3
"""Reads iCalendar files with the icalendar package and prints one line per event:
UID|local start (YYYY-MM-DD HH:MM)|timezone name|summary. Exits 1 when a file does not parse."""
import sys

import icalendar

for path in sys.argv[1:]:
    with open(path, 'rb') as f:
        cal = icalendar.Calendar.from_ical(f.read())
    for ev in cal.walk('VEVENT'):
        start = ev.decoded('DTSTART')
        tz = start.tzinfo.zone if hasattr(start, 'tzinfo') and start.tzinfo is not None and hasattr(start.tzinfo, 'zone') else str(getattr(start, 'tzinfo', ''))
        text = start.strftime('%Y-%m-%d %H:%M') if hasattr(start, 'hour') else start.strftime('%Y-%m-%d')
        print('%s|%s|%s|%s' % (ev['UID'], text, tz, ev['SUMMARY']))
