// The power spectrum of a root-raised-cosine carrier: flat top, cosine roll-off skirts.
#pragma once

// Roll-off factor of a record's rollOff code (0.35 for unknown codes).
double RollOffFactor(unsigned code);

// Power density at offset x from the centre, x in symbol-rate units; 1 on the flat top.
double RaisedCosineDensity(double x, double alpha);

// Integral of the density from minus infinity to x (x in symbol-rate units); 1 in total.
double RaisedCosineCumulative(double x, double alpha);
