package morvaneConnector;

import java.nio.charset.StandardCharsets;
import morvaneBench.BenchLogic;

/**
 * A lean connector for the benchmarks: it does as little as a real framework
 * could, so that the figures measure the connector. Requests go to the same
 * logic that the proxied JDK HTTP server runs; an upload is counted.
 */
public class MorvaneHttpConnector {
  public MorvaneHttpConnector(String[] names, String[] values) {
  }

  public void init() {
  }

  public void terminate() {
  }

  public static String setLogfile(String path) {
    return null;
  }

  public void process(Object[] exchange, String address, String language) {
    exchange[0] = BenchLogic.answer((String) exchange[0]);
  }

  /** The handle of one upload: its byte count. */
  public Object onUploadInit(String query, String type, int length) {
    return new long[1];
  }

  public boolean onUpload(Object handle, byte[] piece) {
    ((long[]) handle)[0] += piece.length;
    return true;
  }

  public byte[] onUploadEnd(Object handle) {
    return (((long[]) handle)[0] + "\n").getBytes(StandardCharsets.US_ASCII);
  }
}
