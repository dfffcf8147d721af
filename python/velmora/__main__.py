import sys

from velmora.cli import main

sys.exit(main())
