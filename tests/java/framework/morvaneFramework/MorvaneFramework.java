package morvaneFramework;

/** Stands in for the framework: the connectors only check that this class exists. */
public class MorvaneFramework {
}
