"""The differential tier's modules sit beside its tests; the Wine fixtures
(one prefix for the session, the build under test) come from e2e/conftest.py."""

import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
