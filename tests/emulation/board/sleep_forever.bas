' SLEEP with no interrupt set up would never wake: the simulator stops
PRINT "going to sleep"
SLEEP
PRINT "never printed"
